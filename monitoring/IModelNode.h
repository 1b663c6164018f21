#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <memory>
#include <vector>

namespace monitoring {

class Interface;

// A node of the tree that mirrors the monitored model: models, subsystems, blocks and,
// below the blocks, the variables that can be streamed or tuned. Every node owns its
// children; the interface owns the root. A node is found by its path: the root's
// path name, then "/" and the escaped path name of each node on the way down.
//
// The path name is the node's component in paths. When siblings share a name they are
// told apart by a suffix after "####" (1####0, 1####1, ...); the base name is the
// part before it. Both are kept as lengths into the path name, which stays valid when
// the path name grows.
class IModelNode
{
public:
    // The type codes of the node classes.
    enum TypeCode : int32_t {
        Model = 0,
        Subsystem = 1,
        Block = 2,
        Signal = 3,
        BlockParameter = 4,
        BlockState = 5,
        ModelParameter = 6,
        RootInput = 7,
        RootOutput = 8,
        BusSignal = 9,
        BusRootInput = 10,
        BusRootOutput = 11,
        BusElement = 12,
    };

    static constexpr QByteArrayView SuffixSeparator = "####";

    IModelNode(Interface *interface, IModelNode *parent, QByteArray name, QByteArray pathName,
               bool generatedName = false);
    virtual ~IModelNode();
    IModelNode(const IModelNode &) = delete;
    IModelNode &operator=(const IModelNode &) = delete;

    virtual int32_t typeCode() const = 0;
    virtual bool isStreamable() const { return false; }
    virtual bool isParameter() const { return false; }
    virtual bool isStruct() const { return false; }

    Interface *interface() const { return m_interface; }
    IModelNode *parent() const { return m_parent; }
    const std::vector<std::unique_ptr<IModelNode>> &children() const { return m_children; }
    const QByteArray &name() const { return m_name; }
    const QByteArray &pathName() const { return m_pathName; }
    QByteArrayView baseName() const { return QByteArrayView(m_pathName).first(m_baseNameLength); }
    // Empty when the node has no suffix.
    QByteArrayView suffix() const;
    bool hasGeneratedName() const { return m_generatedName; }

    QByteArray fullPath() const;

    // The node at path below root; the path's first component stands for the root
    // and is not compared. Null when a component names no child.
    static IModelNode *findDescendant(IModelNode *root, QByteArrayView path);
    // The node that path leads to from node, each component unescaped and compared
    // with the children's path names (suffix included) byte for byte.
    static IModelNode *findByPath(IModelNode *node, QByteArrayView path);
    // Attaches node below the node that parentPath (first component: the root) names,
    // creating the subsystems on the way that do not exist yet. Returns the node.
    static IModelNode *insertAtPath(IModelNode *root, QByteArrayView parentPath, std::unique_ptr<IModelNode> node);
    // Attaches child as the last child of parent. A sibling with the same base name
    // gets the suffix 0 if it has none, and the child the sibling's suffix + 1.
    static IModelNode *addChild(IModelNode *parent, std::unique_ptr<IModelNode> child);
    static void setNameSuffix(IModelNode *node, QByteArrayView suffix);

private:
    IModelNode *appendChild(std::unique_ptr<IModelNode> child);
    IModelNode *childByPathName(QByteArrayView pathName) const;

    Interface *m_interface;
    IModelNode *m_parent;
    std::vector<std::unique_ptr<IModelNode>> m_children;
    QByteArray m_name;
    QByteArray m_pathName;
    qsizetype m_baseNameLength;
    bool m_generatedName;
};

// A node that stands only for a place in the model: a model (the root or a referenced
// model), a subsystem created on the way to a block, or a block.
template<int32_t Code>
class BasicNode final : public IModelNode
{
public:
    BasicNode(Interface *interface, IModelNode *parent, const QByteArray &name)
        : IModelNode(interface, parent, name, name)
    {
    }

    int32_t typeCode() const override { return Code; }
};

using ModelNode = BasicNode<IModelNode::Model>;
using SubsystemNode = BasicNode<IModelNode::Subsystem>;
using BlockNode = BasicNode<IModelNode::Block>;

} // namespace monitoring
