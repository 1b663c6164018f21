#include "IModelNode.h"

#include "ModelPath.h"

#include <limits>

namespace monitoring {

namespace {

// A suffix read as a decimal number: an optional "-" and digits; anything else, or a
// value beyond 32 bits, reads as 0.
int32_t suffixNumber(QByteArrayView suffix)
{
    const bool negative = suffix.startsWith('-');
    const QByteArrayView digits = negative ? suffix.sliced(1) : suffix;
    if (digits.isEmpty())
        return 0;
    int64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
        if (value > int64_t(std::numeric_limits<int32_t>::max()) + 1)
            return 0;
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<int32_t>::max())
        return 0;
    return int32_t(value);
}

} // namespace

IModelNode::IModelNode(Interface *interface, IModelNode *parent, QByteArray name, QByteArray pathName,
                       bool generatedName)
    : m_interface(interface)
    , m_parent(parent)
    , m_name(std::move(name))
    , m_pathName(std::move(pathName))
    , m_baseNameLength(m_pathName.size())
    , m_generatedName(generatedName)
{
}

IModelNode::~IModelNode() = default;

QByteArrayView IModelNode::suffix() const
{
    const qsizetype start = m_baseNameLength + SuffixSeparator.size();
    if (m_pathName.size() <= m_baseNameLength)
        return {};
    return QByteArrayView(m_pathName).sliced(start);
}

QByteArray IModelNode::fullPath() const
{
    if (!m_parent)
        return escapePathComponent(m_pathName);
    return m_parent->fullPath() + '/' + escapePathComponent(m_pathName);
}

IModelNode *IModelNode::findDescendant(IModelNode *root, QByteArrayView path)
{
    const PathSplit split = splitFirstPathComponent(path);
    if (!split.found)
        return root;
    return findByPath(root, split.rest);
}

IModelNode *IModelNode::findByPath(IModelNode *node, QByteArrayView path)
{
    // A loop rather than recursion: every step consumes at least one byte.
    QByteArray remaining = path.toByteArray();
    for (;;) {
        const PathSplit split = splitFirstPathComponent(remaining);
        node = node->childByPathName(unescapePathComponent(split.first));
        if (!node || !split.found)
            return node;
        remaining = split.rest;
    }
}

IModelNode *IModelNode::insertAtPath(IModelNode *root, QByteArrayView parentPath, std::unique_ptr<IModelNode> node)
{
    const PathSplit top = splitFirstPathComponent(parentPath);
    IModelNode *current = root;
    QByteArray remaining = top.found ? top.rest : QByteArray();
    // An empty remaining path names the node reached so far, so that a path ending in
    // "/" still ends.
    while (!remaining.isEmpty()) {
        const PathSplit split = splitFirstPathComponent(remaining);
        const QByteArray component = unescapePathComponent(split.first);
        IModelNode *child = current->childByPathName(component);
        if (!child)
            child = current->appendChild(std::make_unique<SubsystemNode>(root->m_interface, current, component));
        current = child;
        remaining = split.found ? split.rest : QByteArray();
    }
    node->m_parent = current;
    return current->appendChild(std::move(node));
}

IModelNode *IModelNode::addChild(IModelNode *parent, std::unique_ptr<IModelNode> child)
{
    const QByteArray name = child->m_pathName;
    IModelNode *sibling = nullptr;
    for (const auto &candidate : parent->m_children) {
        if (candidate->baseName() == name)
            sibling = candidate.get();
    }
    if (sibling) {
        if (sibling->suffix().isEmpty())
            setNameSuffix(sibling, "0");
        setNameSuffix(child.get(), QByteArray::number(qint64(suffixNumber(sibling->suffix())) + 1));
    }
    child->m_parent = parent;
    return parent->appendChild(std::move(child));
}

void IModelNode::setNameSuffix(IModelNode *node, QByteArrayView suffix)
{
    node->m_pathName.truncate(node->m_baseNameLength);
    node->m_pathName.append(SuffixSeparator).append(suffix);
}

IModelNode *IModelNode::appendChild(std::unique_ptr<IModelNode> child)
{
    m_children.push_back(std::move(child));
    return m_children.back().get();
}

IModelNode *IModelNode::childByPathName(QByteArrayView pathName) const
{
    for (const auto &child : m_children) {
        if (child->m_pathName == pathName)
            return child.get();
    }
    return nullptr;
}

} // namespace monitoring
