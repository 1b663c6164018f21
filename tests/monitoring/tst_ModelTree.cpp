#include "IModelNode.h"
#include "ModelPath.h"

#include <QTest>

using namespace monitoring;

namespace {

std::unique_ptr<IModelNode> block(const QByteArray &name)
{
    return std::make_unique<BlockNode>(nullptr, nullptr, name);
}

// The path names of node's children, in order.
QByteArrayList childNames(const IModelNode *node)
{
    QByteArrayList names;
    for (const auto &child : node->children())
        names << child->pathName();
    return names;
}

} // namespace

// The paths through the monitored model ("/" between components, "//" for a "/" in a
// name) and the tree's operations: lookups, insertion with the subsystems on the way,
// and the suffixes that tell siblings of the same name apart.
class tst_ModelTree : public QObject
{
    Q_OBJECT

private slots:
    void pathComponentsAreSplit_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArrayList>("first"); // first, rest, found ("1"/"0")
        QTest::addColumn<QByteArrayList>("last");  // parent, last, found

        QTest::newRow("three levels, a // in the last")
            << QByteArray("root/A/B//C") << QByteArrayList{"root", "A/B//C", "1"}
            << QByteArrayList{"root/A", "B//C", "1"};
        QTest::newRow("one component") << QByteArray("abc") << QByteArrayList{"abc", "", "0"}
                                       << QByteArrayList{"", "abc", "0"};
        QTest::newRow("a // in the first")
            << QByteArray("a//b/c") << QByteArrayList{"a//b", "c", "1"} << QByteArrayList{"a//b", "c", "1"};
        QTest::newRow("trailing /") << QByteArray("a/b/") << QByteArrayList{"a", "b/", "1"}
                                    << QByteArrayList{"a/b", "", "1"};
        QTest::newRow("trailing //") << QByteArray("a//") << QByteArrayList{"a//", "", "0"}
                                     << QByteArrayList{"", "a//", "0"};
        QTest::newRow("/// is a pair and a separator")
            << QByteArray("a///b") << QByteArrayList{"a//", "b", "1"} << QByteArrayList{"a", "//b", "1"};
        QTest::newRow("a lone /") << QByteArray("/") << QByteArrayList{"", "", "1"} << QByteArrayList{"", "", "1"};
        QTest::newRow("empty") << QByteArray() << QByteArrayList{"", "", "0"} << QByteArrayList{"", "", "0"};
    }

    void pathComponentsAreSplit()
    {
        QFETCH(QByteArray, path);
        QFETCH(QByteArrayList, first);
        QFETCH(QByteArrayList, last);

        const PathSplit front = splitFirstPathComponent(path);
        QCOMPARE((QByteArrayList{front.first, front.rest, front.found ? "1" : "0"}), first);
        QCOMPARE(stripFirstPathComponent(path), first[1]);
        const PathSplit back = splitLastPathComponent(path);
        QCOMPARE((QByteArrayList{back.first, back.rest, back.found ? "1" : "0"}), last);
    }

    void namesAreEscapedAndUnescaped_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("escaped");
        QTest::addColumn<QByteArray>("unescaped");

        QTest::newRow("plain") << QByteArray("Gain") << QByteArray("Gain") << QByteArray("Gain");
        QTest::newRow("one /") << QByteArray("a/b") << QByteArray("a//b") << QByteArray("a/b");
        QTest::newRow("leading and trailing") << QByteArray("/x/") << QByteArray("//x//") << QByteArray("/x/");
        QTest::newRow("UTF-8") << QByteArray("Temp/\xc2\xb0"
                                             "C")
                               << QByteArray("Temp//\xc2\xb0"
                                             "C")
                               << QByteArray("Temp/\xc2\xb0"
                                             "C");
    }

    void namesAreEscapedAndUnescaped()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, escaped);
        QFETCH(QByteArray, unescaped);

        QCOMPARE(escapePathComponent(name), escaped);
        QCOMPARE(unescapePathComponent(escaped), unescaped);
    }

    void loneSlashesAreDroppedWhenUnescaping() { QCOMPARE(unescapePathComponent("a/b///c/"), QByteArray("ab/c")); }

    void nodesAreFoundByTheirPaths()
    {
        ModelNode root(nullptr, nullptr, "root");
        IModelNode *slash = IModelNode::insertAtPath(&root, "root", block("a/b"));
        IModelNode *deep = IModelNode::insertAtPath(&root, "root/A/B", block("Gain"));
        IModelNode *sibling = IModelNode::insertAtPath(&root, "root/A/B", block("Sum"));

        QCOMPARE(slash->fullPath(), QByteArray("root/a//b"));
        QCOMPARE(IModelNode::findDescendant(&root, "root/a//b"), slash);
        QCOMPARE(deep->fullPath(), QByteArray("root/A/B/Gain"));
        QCOMPARE(IModelNode::findDescendant(&root, "root/A/B/Sum"), sibling);
        // The first component stands for the root, whatever it says.
        QCOMPARE(IModelNode::findDescendant(&root, "Model/A/B/Gain"), deep);
        QCOMPARE(IModelNode::findDescendant(&root, "anything"), &root);
        QCOMPARE(IModelNode::findDescendant(&root, "root/A/Missing/Gain"), nullptr);
        QCOMPARE(IModelNode::findDescendant(&root, "root/A/B/Gain/More"), nullptr);
        QCOMPARE(IModelNode::findDescendant(&root, "root/a/b"), nullptr);
        QCOMPARE(IModelNode::findByPath(&root, "A/B"), deep->parent());
        // Paths ending in a separator end too.
        QCOMPARE(IModelNode::findDescendant(&root, "root/A/"), nullptr);
        QCOMPARE(IModelNode::findDescendant(&root, "root/"), nullptr);
        QCOMPARE(root.fullPath(), QByteArray("root"));
    }

    void insertionCreatesTheSubsystemsOnTheWayOnce()
    {
        ModelNode root(nullptr, nullptr, "root");
        IModelNode::insertAtPath(&root, "root/A/B", block("Gain"));
        IModelNode::insertAtPath(&root, "root/A/B", block("Sum"));
        IModelNode::insertAtPath(&root, "root/A//x", block("Out"));

        QCOMPARE(childNames(&root), (QByteArrayList{"A", "A/x"}));
        const IModelNode *a = root.children().front().get();
        QCOMPARE(a->typeCode(), IModelNode::Subsystem);
        QCOMPARE(a->parent(), &root);
        QCOMPARE(childNames(a), (QByteArrayList{"B"}));
        const IModelNode *b = a->children().front().get();
        QCOMPARE(b->typeCode(), IModelNode::Subsystem);
        QCOMPARE(childNames(b), (QByteArrayList{"Gain", "Sum"}));
        QCOMPARE(b->children().front()->typeCode(), IModelNode::Block);
        QCOMPARE(b->children().front()->parent(), b);

        // Paths the interface never passes still end: an empty rest names the node
        // reached so far.
        IModelNode *trailing = IModelNode::insertAtPath(&root, "root/A/", block("T"));
        QCOMPARE(trailing->parent(), a);
        IModelNode *empty = IModelNode::insertAtPath(&root, "", block("E"));
        QCOMPARE(empty->parent(), &root);
    }

    void siblingsOfOneNameGetSuffixes()
    {
        ModelNode root(nullptr, nullptr, "root");
        IModelNode *first = IModelNode::addChild(&root, block("1"));
        QCOMPARE(first->pathName(), QByteArray("1"));
        QVERIFY(first->suffix().isEmpty());
        IModelNode *second = IModelNode::addChild(&root, block("1"));
        IModelNode *other = IModelNode::addChild(&root, block("2"));
        IModelNode *third = IModelNode::addChild(&root, block("1"));

        QCOMPARE(childNames(&root), (QByteArrayList{"1####0", "1####1", "2", "1####2"}));
        QCOMPARE(first->baseName(), QByteArrayView("1"));
        QCOMPARE(third->suffix(), QByteArrayView("2"));
        QCOMPARE(other->suffix(), QByteArrayView());
        QCOMPARE(second->name(), QByteArray("1"));
        QCOMPARE(second->fullPath(), QByteArray("root/1####1"));
        QCOMPARE(IModelNode::findDescendant(&root, "root/1"), nullptr);
        QCOMPARE(IModelNode::findDescendant(&root, "root/1####2"), third);
    }

    void suffixesAreReadAsNumbers_data()
    {
        QTest::addColumn<QByteArray>("suffix");
        QTest::addColumn<QByteArray>("next");

        QTest::newRow("digits") << QByteArray("41") << QByteArray("1####42");
        QTest::newRow("negative") << QByteArray("-3") << QByteArray("1####-2");
        QTest::newRow("letters") << QByteArray("x") << QByteArray("1####1");
        QTest::newRow("plus sign") << QByteArray("+4") << QByteArray("1####1");
        QTest::newRow("only a minus") << QByteArray("-") << QByteArray("1####1");
        QTest::newRow("largest") << QByteArray("2147483647") << QByteArray("1####2147483648");
        QTest::newRow("beyond 32 bits") << QByteArray("2147483648") << QByteArray("1####1");
        QTest::newRow("far beyond") << QByteArray("99999999999999999999999") << QByteArray("1####1");
    }

    void suffixesAreReadAsNumbers()
    {
        QFETCH(QByteArray, suffix);
        QFETCH(QByteArray, next);

        ModelNode root(nullptr, nullptr, "root");
        IModelNode *first = IModelNode::addChild(&root, block("1"));
        IModelNode::setNameSuffix(first, suffix);
        QCOMPARE(first->pathName(), "1####" + suffix);
        IModelNode *second = IModelNode::addChild(&root, block("1"));
        QCOMPARE(second->pathName(), next);
        QCOMPARE(first->pathName(), "1####" + suffix);
    }

    void settingASuffixAgainReplacesIt()
    {
        ModelNode root(nullptr, nullptr, "root");
        IModelNode *node = IModelNode::addChild(&root, block("name"));
        IModelNode::setNameSuffix(node, "7");
        IModelNode::setNameSuffix(node, "12");
        QCOMPARE(node->pathName(), QByteArray("name####12"));
        QCOMPARE(node->baseName(), QByteArrayView("name"));
        QCOMPARE(node->suffix(), QByteArrayView("12"));
    }
};

QTEST_GUILESS_MAIN(tst_ModelTree)
#include "tst_ModelTree.moc"
