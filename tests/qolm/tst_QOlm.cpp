#include "QOlm.h"
#include "TestElements.h"

#include <QAbstractItemModelTester>
#include <QPointer>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTest>

#include <functional>
#include <memory>

using ElementList = qolm::QOlm<Element>;
using RoleTable = QHash<int, QByteArray>;

namespace {

// Writes every signal of a list, in the order they come, as one line each.
class SignalLog : public QObject
{
public:
    explicit SignalLog(ElementList &list)
    {
        connect(&list, &qolm::QOlmBase::countChanged, this,
                [this](int count) { lines << QStringLiteral("count %1").arg(count); });
        connect(&list, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
            lines << QStringLiteral("rowsInserted %1 %2").arg(first).arg(last);
        });
        connect(&list, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex &, int first, int last) {
            lines << QStringLiteral("rowsRemoved %1 %2").arg(first).arg(last);
        });
        connect(&list, &QAbstractItemModel::rowsMoved, this,
                [this](const QModelIndex &, int start, int end, const QModelIndex &, int row) {
                    lines << QStringLiteral("rowsMoved %1 %2 %3").arg(start).arg(end).arg(row);
                });
        connect(&list, &qolm::QOlmBase::objectInserted, this, [this](QObject *object, int index) {
            lines << QStringLiteral("inserted %1 %2").arg(object->objectName()).arg(index);
        });
        connect(&list, &qolm::QOlmBase::objectRemoved, this, [this](QObject *object, int index) {
            lines << QStringLiteral("removed %1 %2").arg(object->objectName()).arg(index);
        });
        connect(&list, &qolm::QOlmBase::objectMoved, this, [this](QObject *object, int from, int to) {
            lines << QStringLiteral("moved %1 %2 %3").arg(object->objectName()).arg(from).arg(to);
        });
    }
    QStringList lines;
};

QStringList namesIn(const ElementList &list)
{
    QStringList names;
    for (int row = 0; row < list.rowCount(); ++row)
        names << list.at(row)->objectName();
    return names;
}

// Expected warnings: exact texts, or regular expressions when they start with "re:".
void expectWarnings(const QStringList &warnings)
{
    for (const QString &warning : warnings) {
        if (warning.startsWith(QLatin1String("re:")))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning.mid(3)));
        else
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
    }
}

// One operation on a list of e0..e(n-1), with x0 and x1 at hand outside the list.
struct Scenario
{
    int initial;
    std::function<void(ElementList &, const QList<Element *> &in, const QList<Element *> &out)> run;
    QStringList warnings;
    QStringList log;
    QStringList final;
};

const QString kGreaterThan3 =
    QStringLiteral("index  10  is greater than count  3 .  The item will be inserted at the end of the list");
const QString kOutOfBoundRemoval = QStringLiteral("Can't remove an object whose index is out of bound");

const QMap<QString, Scenario> &scenarios()
{
    static const QMap<QString, Scenario> table{
        {"append one",
         {2,
          [](auto &l, auto &, auto &x) { l.append(x[0]); },
          {},
          {"count 3", "rowsInserted 2 2", "inserted x0 2"},
          {"e0", "e1", "x0"}}},
        {"append a list",
         {1,
          [](auto &l, auto &, auto &x) { l.append(x); },
          {},
          {"count 3", "rowsInserted 1 2", "inserted x0 1", "inserted x1 2"},
          {"e0", "x0", "x1"}}},
        {"prepend a list",
         {2,
          [](auto &l, auto &, auto &x) { l.prepend(x); },
          {},
          {"count 4", "rowsInserted 0 1", "inserted x0 0", "inserted x1 1"},
          {"x0", "x1", "e0", "e1"}}},
        {"insert in the middle",
         {3,
          [](auto &l, auto &, auto &x) { l.insert(1, x[0]); },
          {},
          {"count 4", "rowsInserted 1 1", "inserted x0 1"},
          {"e0", "x0", "e1", "e2"}}},
        {"insert beyond the end",
         {3,
          [](auto &l, auto &, auto &x) { l.insert(10, x[0]); },
          {kGreaterThan3},
          {"count 4", "rowsInserted 3 3", "inserted x0 3"},
          {"e0", "e1", "e2", "x0"}}},
        {"insert before the start",
         {3,
          [](auto &l, auto &, auto &x) { l.insert(-2, x[0]); },
          {"index  -2  is lower than 0.  The item will be inserted at the beginning of the list"},
          {"count 4", "rowsInserted 0 0", "inserted x0 0"},
          {"x0", "e0", "e1", "e2"}}},
        {"insert a list beyond the end",
         {3,
          [](auto &l, auto &, auto &x) { l.insert(10, x); },
          {kGreaterThan3},
          {"count 5", "rowsInserted 3 4", "inserted x0 3", "inserted x1 4"},
          {"e0", "e1", "e2", "x0", "x1"}}},
        {"insert null before the start",
         {3,
          [](auto &l, auto &, auto &) { l.insert(-1, static_cast<Element *>(nullptr)); },
          {"index  -1  is lower than 0.  The item will be inserted at the beginning of the list",
           "Can't insert a null Object"},
          {},
          {"e0", "e1", "e2"}}},
        {"append null",
         {1,
          [](auto &l, auto &, auto &) { l.append(static_cast<Element *>(nullptr)); },
          {"Can't append a null Object"},
          {},
          {"e0"}}},
        {"append an empty list",
         {1,
          [](auto &l, auto &, auto &) { l.append(QList<Element *>()); },
          {"Can't append an empty list"},
          {},
          {"e0"}}},
        {"prepend an empty list",
         {1,
          [](auto &l, auto &, auto &) { l.prepend(QList<Element *>()); },
          {"Can't prepend an empty list"},
          {},
          {"e0"}}},
        {"insert an empty list",
         {1,
          [](auto &l, auto &, auto &) { l.insert(5, QList<Element *>()); },
          {"Can't insert an empty list"},
          {},
          {"e0"}}},
        {"remove a row",
         {3,
          [](auto &l, auto &, auto &) { l.remove(1, 1); },
          {},
          {"count 2", "rowsRemoved 1 1", "removed e1 1"},
          {"e0", "e2"}}},
        {"remove a row outside",
         {3, [](auto &l, auto &, auto &) { l.remove(3, 1); }, {kOutOfBoundRemoval}, {}, {"e0", "e1", "e2"}}},
        {"remove a negative row",
         {3, [](auto &l, auto &, auto &) { l.remove(-1, 1); }, {kOutOfBoundRemoval}, {}, {"e0", "e1", "e2"}}},
        {"remove an element",
         {3,
          [](auto &l, auto &e, auto &) { l.remove(e[2]); },
          {},
          {"count 2", "rowsRemoved 2 2", "removed e2 2"},
          {"e0", "e1"}}},
        {"remove a list",
         {3,
          [](auto &l, auto &e, auto &) {
              l.remove(QList<Element *>{e[0], e[2]});
          },
          {},
          {"count 2", "rowsRemoved 0 0", "removed e0 0", "count 1", "rowsRemoved 1 1", "removed e2 1"},
          {"e1"}}},
        {"remove an absent element",
         {3,
          [](auto &l, auto &, auto &x) { l.remove(x[0]); },
          {"re:^The QObject Element\\(0x[0-9a-f]+, name = \"x0\"\\) isn't in this qolm::QOlm list\\.$",
           kOutOfBoundRemoval},
          {},
          {"e0", "e1", "e2"}}},
        {"remove null",
         {1,
          [](auto &l, auto &, auto &) { l.remove(static_cast<Element *>(nullptr)); },
          {"Fail to remove nullptr object from QOlm< Element >"},
          {},
          {"e0"}}},
        {"clear",
         {3,
          [](auto &l, auto &, auto &) { l.clear(); },
          {},
          {"count 0", "rowsRemoved 0 2", "removed e0 0", "removed e1 1", "removed e2 2"},
          {}}},
        {"clear an empty list", {0, [](auto &l, auto &, auto &) { l.clear(); }, {}, {}, {}}},
        {"move down",
         {3,
          [](auto &l, auto &, auto &) { l.move(0, 2); },
          {},
          {"rowsMoved 0 0 3", "moved e0 0 2"},
          {"e1", "e2", "e0"}}},
        {"move up",
         {3,
          [](auto &l, auto &, auto &) { l.move(2, 0); },
          {},
          {"rowsMoved 2 2 0", "moved e2 2 0"},
          {"e2", "e0", "e1"}}},
        {"move beyond the end",
         {3,
          [](auto &l, auto &, auto &) { l.move(0, 99); },
          {"'to' 99  in move operation have been clamped to 2"},
          {"rowsMoved 0 0 3", "moved e0 0 2"},
          {"e1", "e2", "e0"}}},
        {"move the last row beyond the end",
         {3,
          [](auto &l, auto &, auto &) { l.move(2, 99); },
          {"'to' 99  in move operation have been clamped to 2", "Can't move object from 2 to 2 because from == to"},
          {},
          {"e0", "e1", "e2"}}},
        {"move a row onto itself",
         {3,
          [](auto &l, auto &, auto &) { l.move(1, 1); },
          {"Can't move object from 1 to 1 because from == to"},
          {},
          {"e0", "e1", "e2"}}},
        {"move from outside",
         {3, [](auto &l, auto &, auto &) { l.move(5, 0); }, {"'From' 5 is out of bound"}, {}, {"e0", "e1", "e2"}}},
        {"moveDown",
         {3,
          [](auto &l, auto &, auto &) { l.moveDown(0); },
          {},
          {"rowsMoved 0 0 2", "moved e0 0 1"},
          {"e1", "e0", "e2"}}},
        {"moveUp",
         {3,
          [](auto &l, auto &, auto &) { l.moveUp(2); },
          {},
          {"rowsMoved 2 2 1", "moved e2 2 1"},
          {"e0", "e2", "e1"}}},
        {"moveDown of the last row",
         {3,
          [](auto &l, auto &, auto &) { l.moveDown(2); },
          {"The index is the last of the list or index is out of bound"},
          {},
          {"e0", "e1", "e2"}}},
        {"moveUp of the first row",
         {3,
          [](auto &l, auto &, auto &) { l.moveUp(0); },
          {"The index is the first of the list or index is out of bound"},
          {},
          {"e0", "e1", "e2"}}},
        {"append a listed element",
         {2,
          [](auto &l, auto &e, auto &) { l.append(e[1]); },
          {"re:^\"QOlm<Element>\" : Can't add Element\\(0x[0-9a-f]+, name = \"e1\"\\) , it is already in the list$"},
          {},
          {"e0", "e1"}}},
        {"insert a listed element",
         {2,
          [](auto &l, auto &e, auto &) { l.insert(0, e[1]); },
          {"re:: Can't add Element.*\"e1\""},
          {},
          {"e0", "e1"}}},
        {"append a list with listed and repeated elements",
         {1,
          [](auto &l, auto &e, auto &x) {
              l.append(QList<Element *>{x[0], e[0], x[0], x[1]});
          },
          {"re:: Can't add Element.*\"e0\"", "re:: Can't add Element.*\"x0\""},
          {"count 3", "rowsInserted 1 2", "inserted x0 1", "inserted x1 2"},
          {"e0", "x0", "x1"}}},
    };
    return table;
}

} // namespace

class tst_QOlm : public QObject
{
    Q_OBJECT

private slots:
    // Every operation, watched by Qt's model checker on the list and on a sorting
    // proxy in front of it, gives its warnings, its signals in their order and the
    // resulting rows.
    void operations_data()
    {
        QTest::addColumn<QString>("scenario");
        for (auto it = scenarios().cbegin(); it != scenarios().cend(); ++it)
            QTest::newRow(qPrintable(it.key())) << it.key();
    }
    void operations()
    {
        QFETCH(QString, scenario);
        const Scenario &s = scenarios()[scenario];
        ElementList list;
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
        QSortFilterProxyModel proxy;
        proxy.setSourceModel(&list);
        proxy.setSortRole(list.roleForName("fileName"));
        proxy.sort(0);
        QAbstractItemModelTester proxyTester(&proxy, QAbstractItemModelTester::FailureReportingMode::Fatal);

        QList<Element *> in;
        for (int i = 0; i < s.initial; ++i) {
            in << new Element(QStringLiteral("e%1").arg(i));
            list.append(in.last());
        }
        const QList<Element *> out{new Element(QStringLiteral("x0"), &list), new Element(QStringLiteral("x1"), &list)};
        SignalLog log(list);

        expectWarnings(s.warnings);
        s.run(list, in, out);

        QCOMPARE(log.lines, s.log);
        QCOMPARE(namesIn(list), s.final);
        QCOMPARE(list.count(), s.final.size());
        QCOMPARE(list.rowCount(), s.final.size());
        QCOMPARE(proxy.rowCount(), s.final.size());
    }

    // countChanged comes while the rows are still being changed, so a listener of
    // it already reads the new count, and objectInserted/-Removed come last.
    void countIsUpToDateWhenAnnounced()
    {
        ElementList list;
        QList<int> seen;
        connect(&list, &qolm::QOlmBase::countChanged, this, [&] { seen << list.count() << list.rowCount(); });
        list.append(new Element(QStringLiteral("a")));
        list.remove(0, 1);
        QCOMPARE(seen, (QList<int>{1, 1, 0, 0}));
    }

    void roles_data()
    {
        QTest::addColumn<QList<QByteArray>>("exposedRoles");
        QTest::addColumn<QByteArray>("displayRole");
        QTest::addColumn<RoleTable>("expected");

        QTest::newRow("every property") << QList<QByteArray>() << QByteArray()
                                        << QHash<int, QByteArray>{{256, "qtObject"}, {257, "objectName"},
                                                                  {258, "fileName"}, {259, "a"},
                                                                  {260, "b"},        {261, "title"}};
        QTest::newRow("only fileName") << QList<QByteArray>{"fileName"} << QByteArray()
                                       << QHash<int, QByteArray>{{256, "qtObject"}, {258, "fileName"}};
        QTest::newRow("only fileName, with display")
            << QList<QByteArray>{"fileName"} << QByteArray("title")
            << QHash<int, QByteArray>{{0, "display"}, {256, "qtObject"}, {258, "fileName"}};
        QTest::newRow("with display")
            << QList<QByteArray>() << QByteArray("title")
            << QHash<int, QByteArray>{{0, "display"}, {256, "qtObject"}, {257, "objectName"}, {258, "fileName"},
                                      {259, "a"},     {260, "b"},        {261, "title"}};
    }
    void roles()
    {
        QFETCH(QList<QByteArray>, exposedRoles);
        QFETCH(QByteArray, displayRole);
        QFETCH(RoleTable, expected);
        ElementList list(nullptr, exposedRoles, displayRole);
        QCOMPARE(list.roleNames(), expected);
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            QCOMPARE(list.roleForName(it.value()), it.key());
        QCOMPARE(list.roleForName("nothing"), -1);
    }

    void reservedNamesAreNoRoles()
    {
        QTest::ignoreMessage(QtWarningMsg,
                             "Can't have \"model\" as a role name in QOlm<ReservedNameElement> , because it's a "
                             "blacklisted keywork in QML!. Please don't use any of the following words when declaring "
                             "your Q_PROPERTY:(id, index, class, model, modelData)");
        qolm::QOlm<ReservedNameElement> list;
        // The refused property keeps its number free: fileName stays at 257 + 2.
        QCOMPARE(list.roleNames(), (QHash<int, QByteArray>{{256, "qtObject"}, {257, "objectName"}, {259, "fileName"}}));
        QCOMPARE(qolm::QOlm<ReservedNameElement>::typeName(), QStringLiteral("QOlm<ReservedNameElement>"));
    }

    void propertyChangesBecomeRowChanges_data()
    {
        QTest::addColumn<QString>("property");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QList<int>>("roles");

        QTest::newRow("fileName") << "fileName" << QVariant("a.hapbf") << QList<int>{258};
        QTest::newRow("objectName") << "objectName" << QVariant("renamed") << QList<int>{257};
        // a and b share one notify signal, which stands for the later property.
        QTest::newRow("a, announced as b") << "a" << QVariant(4) << QList<int>{260};
        QTest::newRow("b") << "b" << QVariant(5) << QList<int>{260};
        QTest::newRow("the display property") << "title" << QVariant("Title") << QList<int>{261, 0};
    }
    void propertyChangesBecomeRowChanges()
    {
        QFETCH(QString, property);
        QFETCH(QVariant, value);
        QFETCH(QList<int>, roles);
        ElementList list(nullptr, {}, "title");
        auto *first = new Element(QStringLiteral("first"));
        auto *second = new Element(QStringLiteral("second"));
        list.append(QList<Element *>{first, second});
        QSignalSpy changes(&list, &QAbstractItemModel::dataChanged);

        QVERIFY(second->setProperty(qPrintable(property), value));
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes[0][0].toModelIndex().row(), 1);
        QCOMPARE(changes[0][1].toModelIndex().row(), 1);
        QCOMPARE(changes[0][2].value<QList<int>>(), roles);
    }

    void readingAndWritingRows()
    {
        ElementList list(nullptr, {}, "title");
        auto *element = new Element(QStringLiteral("only"));
        element->setTitle(QStringLiteral("Shown"));
        list.append(element);
        const QModelIndex row0 = list.index(0, 0);

        QCOMPARE(list.data(row0, 0).toString(), QStringLiteral("Shown"));
        QCOMPARE(list.data(row0, 256).value<QObject *>(), element);
        QCOMPARE(list.data(row0, 257).toString(), QStringLiteral("only"));
        QVERIFY(!list.data(row0, 999).isValid());

        QSignalSpy changes(&list, &QAbstractItemModel::dataChanged);
        QVERIFY(list.setData(row0, QStringLiteral("b.hapbf"), 258));
        QCOMPARE(element->fileName(), QStringLiteral("b.hapbf"));
        QCOMPARE(changes.size(), 1); // through the element's own notify signal
        QVERIFY(!list.setData(row0, QVariant::fromValue<QObject *>(nullptr), 256));
        QVERIFY(!list.setData(row0, 1, 999));

        // An index kept from a row that has gone since.
        list.append(new Element(QStringLiteral("second")));
        const QModelIndex stale = list.index(1, 0);
        list.remove(1, 1);
        QTest::ignoreMessage(QtWarningMsg, "The index 1 is out of bound.");
        QVERIFY(!list.data(stale, 257).isValid());
        QTest::ignoreMessage(QtWarningMsg, "The index 7 is out of bound.");
        QCOMPARE(list.at(7), nullptr);
        QTest::ignoreMessage(QtWarningMsg, "Can't find the index of a nullptr QObject");
        QCOMPARE(list.indexOf(static_cast<Element *>(nullptr)), -1);
    }

    void rowsWithoutElement()
    {
        // A null entry of a list becomes a row without element: it reads as nothing.
        ElementList list;
        list.append(QList<Element *>{new Element(QStringLiteral("a")), nullptr});
        QCOMPARE(list.count(), 2);
        QCOMPARE(list.at(1), nullptr);
        QVERIFY(!list.data(list.index(1, 0), 256).isValid());
        list.remove(1, 1);
        QCOMPARE(list.count(), 1);
    }

    void ownership()
    {
        QObject owner;
        ElementList list;
        QPointer<Element> adopted = new Element(QStringLiteral("adopted"));
        QPointer<Element> owned = new Element(QStringLiteral("owned"), &owner);
        list.append(QList<Element *>{adopted, owned});
        QCOMPARE(adopted->parent(), &list);
        QCOMPARE(owned->parent(), &owner);

        // The adopted element goes after objectRemoved, once the event loop runs.
        bool aliveWhenRemoved = false;
        connect(&list, &qolm::QOlmBase::objectRemoved, this,
                [&](QObject *object) { aliveWhenRemoved = object == adopted.data() && adopted; });
        list.remove(adopted.data());
        QVERIFY(aliveWhenRemoved);
        QVERIFY(adopted);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!adopted);

        // The owned one stays, and the list no longer follows it.
        QSignalSpy changes(&list, &QAbstractItemModel::dataChanged);
        list.remove(owned.data());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(owned);
        owned->setFileName(QStringLiteral("changed"));
        QCOMPARE(changes.size(), 0);
    }

    // An element that its owner deletes while it is listed leaves the list at once.
    void elementDeletedByItsOwner()
    {
        auto owner = std::make_unique<QObject>();
        ElementList list;
        list.append(new Element(QStringLiteral("mine")));
        list.append(new Element(QStringLiteral("theirs"), owner.get()));
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
        QSignalSpy counts(&list, &qolm::QOlmBase::countChanged);
        QSignalSpy removedRows(&list, &QAbstractItemModel::rowsRemoved);

        owner.reset();

        QCOMPARE(list.count(), 1);
        QCOMPARE(counts.size(), 1);
        QCOMPARE(removedRows.size(), 1);
        QCOMPARE(removedRows[0][1].toInt(), 1);
        QCOMPARE(namesIn(list), QStringList{"mine"});
    }

    void destroyingTheListKeepsForeignElements()
    {
        QObject owner;
        QPointer<Element> adopted = new Element(QStringLiteral("adopted"));
        QPointer<Element> owned = new Element(QStringLiteral("owned"), &owner);
        {
            ElementList list;
            list.append(QList<Element *>{adopted, owned});
        }
        QVERIFY(!adopted);
        QVERIFY(owned);
        owned->setTitle(QStringLiteral("no list listens any more"));
    }

    void defaultChildren()
    {
        ElementList list;
        QQmlListProperty<QObject> children = list.defaultChildren();
        auto *a = new Element(QStringLiteral("a"));
        auto *b = new Element(QStringLiteral("b"));
        children.append(&children, a);
        children.append(&children, b);
        QCOMPARE(children.count(&children), 2);
        QCOMPARE(children.at(&children, 1), b);
        QCOMPARE(children.at(&children, 2), nullptr);
        QCOMPARE(namesIn(list), (QStringList{"a", "b"}));

        QObject plain;
        plain.setObjectName(QStringLiteral("plain"));
        QTest::ignoreMessage(QtWarningMsg, "\"QOlm<Element>\" : Fail to append default child  \"plain\" , that isn't a "
                                           "Element derived class");
        children.append(&children, &plain);
        QTest::ignoreMessage(QtWarningMsg, "\"QOlm<Element>\" : Fail to append default child  null , that isn't a "
                                           "Element derived class");
        children.append(&children, nullptr);
        QCOMPARE(children.count(&children), 2);

        // The new child takes the old one's row; the old one goes.
        QPointer<Element> replaced = a;
        auto *c = new Element(QStringLiteral("c"));
        children.replace(&children, 0, c);
        QCOMPARE(children.at(&children, 0), c);
        QCOMPARE(namesIn(list), (QStringList{"c", "b"}));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!replaced);

        children.removeLast(&children);
        QCOMPARE(children.count(&children), 1);
        QCOMPARE(namesIn(list), QStringList{"c"});

        children.clear(&children);
        QCOMPARE(children.count(&children), 0);
        QCOMPARE(list.count(), 0);
    }

    // A default child that left the list by another way is no default child any
    // more: it is never handed out or touched after its deletion.
    void defaultChildrenNeverHandOutDeletedElements()
    {
        ElementList list;
        QQmlListProperty<QObject> children = list.defaultChildren();
        QPointer<Element> a = new Element(QStringLiteral("a"));
        QPointer<Element> b = new Element(QStringLiteral("b"));
        children.append(&children, a);
        children.append(&children, b);

        list.remove(a.data());
        QCOMPARE(children.count(&children), 1);
        QCOMPARE(children.at(&children, 0), b);

        list.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!a && !b);
        QCOMPARE(children.count(&children), 0);
        QCOMPARE(children.at(&children, 0), nullptr);
        children.removeLast(&children); // nothing to remove, nothing touched
        children.replace(&children, 0, new Element(QStringLiteral("late"), &list));
        children.clear(&children);
        QCOMPARE(list.count(), 0);
    }

    void replacingADefaultChildWithItself()
    {
        ElementList list;
        QQmlListProperty<QObject> children = list.defaultChildren();
        QPointer<Element> a = new Element(QStringLiteral("a"));
        children.append(&children, a);
        children.replace(&children, 0, a);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(a);
        QCOMPARE(list.at(0), a.data());
    }
};

QTEST_GUILESS_MAIN(tst_QOlm)
#include "tst_QOlm.moc"
