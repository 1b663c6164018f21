#pragma once

#include "DataTypeFactory.h"
#include "Dimensions.h"
#include "IModelNode.h"
#include "ModelDescription.h"

#include <memory>
#include <vector>

namespace monitoring {

class ParameterNode;
class StructNode;

// What the model building makes of a description: the tree, the nodes by reference
// id, the variables in the order the program lists them, and the path of every model
// (index: model reference index).
struct BuiltModel
{
    std::unique_ptr<IModelNode> root;
    std::vector<IModelNode *> nodeTable;
    std::vector<IModelNode *> variables;
    QList<QByteArray> modelPaths;

    void clear()
    {
        variables.clear();
        nodeTable.clear();
        modelPaths.clear();
        root.reset();
    }
};

// Turns a model description into the model tree, or refreshes the parameters of a
// tree from new parameter memories. Records it cannot represent are skipped with a
// warning; a parameter list stops where its memory can no longer be sliced.
class ModelBuilder
{
public:
    enum class Mode { Create, Refresh };

    ModelBuilder(Interface *owner, const ModelDescription &description, const DataTypeFactory &types,
                 BuiltModel &model);

    // Every step of a build, in order.
    void build();

    void resizeNodeTable();
    void loadModelReferences();
    void loadSignals();
    void loadBlockParameters(Mode mode);
    void loadModelParameters(Mode mode);
    void loadBlockStates();
    void loadInputs();
    void loadOutputs();

private:
    struct SignalKind
    {
        const QList<protocol::signal_t> *records;
        protocol::StringTable blockPaths;
        protocol::StringTable names;
        int32_t typeCode;
        int32_t busTypeCode;
        uint8_t variableType;
        const char *listName; // for the warnings: "signal", "inputs", "outputs"
        bool typeCheckedFirst;
    };

    void loadSignalList(const SignalKind &kind);
    void addSignalNode(const SignalKind &kind, const protocol::signal_t &record, const QByteArray &blockPath,
                       Dimensions dimensions, QByteArray name, bool generated, std::shared_ptr<IDataType> type);
    void addBusSignalNode(const SignalKind &kind, const protocol::signal_t &record, const QByteArray &blockPath,
                          Dimensions dimensions, QByteArray name);
    void addStructElementNodes(StructNode *bus, uint16_t first, uint16_t count);
    bool hasStructElements(uint16_t busTypeIndex) const;
    void loadParameters(Mode mode, bool modelParameters);

    // The parameter a refreshed record names, or null.
    ParameterNode *refreshTarget(uint16_t referenceId, IModelNode *parent, const QByteArray &name,
                                 bool modelParameter) const;
    IModelNode *findOrCreateBlock(const QByteArray &blockPath);
    // The model path of a model reference index followed by the block path's
    // components after its first.
    QByteArray blockPathOf(uint16_t modelReference, QByteArrayView blockPathString) const;
    void store(uint16_t referenceId, IModelNode *node);

    Interface *m_owner;
    const ModelDescription &m_description;
    const DataTypeFactory &m_types;
    BuiltModel &m_model;
};

// The shape a record describes: its layout kind and its one or two sizes.
Dimensions dimensionsOf(uint8_t layoutKind, uint8_t dimensionCount, const std::array<uint16_t, 2> &sizes);

} // namespace monitoring
