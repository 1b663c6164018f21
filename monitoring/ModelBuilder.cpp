#include "ModelBuilder.h"

#include "ModelPath.h"
#include "ParameterNode.h"
#include "StreamableNode.h"
#include "StructNode.h"
#include "ValueBuffer.h"

#include <QLoggingCategory>

#include <algorithm>

Q_LOGGING_CATEGORY(lcModelBuilding, "Monitoring.Interface")

namespace monitoring {

using namespace protocol;

Dimensions dimensionsOf(uint8_t layoutKind, uint8_t dimensionCount, const std::array<uint16_t, 2> &sizes)
{
    QList<uint16_t> list;
    for (uint8_t i = 0; i < std::min<uint8_t>(dimensionCount, 2); ++i)
        list << sizes[i];
    return Dimensions(layoutKind, list);
}

ModelBuilder::ModelBuilder(Interface *owner, const ModelDescription &description, const DataTypeFactory &types,
                           BuiltModel &model)
    : m_owner(owner)
    , m_description(description)
    , m_types(types)
    , m_model(model)
{
}

void ModelBuilder::build()
{
    resizeNodeTable();
    loadModelReferences();
    loadSignals();
    loadBlockParameters(Mode::Create);
    loadModelParameters(Mode::Create);
    loadBlockStates();
    loadInputs();
    loadOutputs();
}

void ModelBuilder::resizeNodeTable()
{
    uint16_t largest = 0;
    const auto consider = [&largest](const auto &records) {
        for (const auto &r : records)
            largest = std::max(largest, r.referenceId);
    };
    consider(m_description.signalList);
    consider(m_description.inputs);
    consider(m_description.outputs);
    consider(m_description.states);
    consider(m_description.blockParameters);
    consider(m_description.modelParameters);
    m_model.nodeTable.assign(size_t(largest) + 1, nullptr);
}

void ModelBuilder::loadModelReferences()
{
    const qsizetype entries = m_types.stringCount(ModelReferences);
    const qsizetype models = entries >= 1 ? (entries - 1) / 2 : 0;
    m_model.modelPaths = {QByteArray("root")};
    m_model.root = std::make_unique<ModelNode>(m_owner, nullptr, m_model.modelPaths[0]);
    for (qsizetype i = 1; i < models; ++i) {
        const QByteArrayView parentText = m_types.stringAt(ModelReferences, int32_t(2 * i + 1));
        bool ok = false;
        qsizetype parent = parentText.toByteArray().toLongLong(&ok, 16);
        // A parent must be a model listed before: anything else would name a path
        // not built yet. It is taken as the root, and the entry is kept so that the
        // later model reference indexes stay where they are.
        if (!ok || parent < 0 || parent >= i) {
            qCWarning(lcModelBuilding).nospace().noquote()
                << "Invalid parent " << parentText << " of model reference " << i << "; placed below the root";
            parent = 0;
        }
        const QByteArray path = m_model.modelPaths[parent] + '/'
                                + stripFirstPathComponent(m_types.stringAt(ModelReferences, int32_t(2 * i + 2)));
        m_model.modelPaths << path;
        const PathSplit split = splitLastPathComponent(path);
        IModelNode::insertAtPath(m_model.root.get(), split.first,
                                 std::make_unique<ModelNode>(m_owner, nullptr, unescapePathComponent(split.rest)));
    }
}

void ModelBuilder::loadSignals()
{
    loadSignalList({&m_description.signalList, SignalBlockPaths, SignalNames, IModelNode::Signal, IModelNode::BusSignal,
                    SimulinkDataTypes::Signal, "signal", false});
}

void ModelBuilder::loadInputs()
{
    loadSignalList({&m_description.inputs, InputBlockPaths, InputNames, IModelNode::RootInput, IModelNode::BusRootInput,
                    SimulinkDataTypes::RootInput, "inputs", true});
}

void ModelBuilder::loadOutputs()
{
    loadSignalList({&m_description.outputs, OutputBlockPaths, OutputNames, IModelNode::RootOutput,
                    IModelNode::BusRootOutput, SimulinkDataTypes::RootOutput, "outputs", true});
}

void ModelBuilder::loadSignalList(const SignalKind &kind)
{
    for (const signal_t &record : *kind.records) {
        if (record.dimensionCount == 0 || record.dimensionCount > 2) {
            qCWarning(lcModelBuilding).nospace().noquote()
                << "Invalid dimension size " << record.dimensionCount << " for signal";
            continue;
        }
        if (record.modelReference >= m_model.modelPaths.size()) {
            qCWarning(lcModelBuilding).nospace().noquote()
                << "Invalid model reference " << record.modelReference << " for " << kind.listName;
            continue;
        }
        const Dimensions dimensions = dimensionsOf(record.layoutKind, record.dimensionCount, record.dimensions);
        const QByteArray blockPath = blockPathOf(record.modelReference,
                                                 m_types.stringAt(kind.blockPaths, record.blockPathIndex));
        QByteArray name = m_types.stringAt(kind.names, record.nameIndex).toByteArray();
        bool generated = false;
        if (name.isEmpty()) {
            name = "Port " + QByteArray::number(record.port);
            generated = true;
        }
        if (m_types.isBusType(record.dataTypeIndex, record.fixedPointIndex)) {
            addBusSignalNode(kind, record, blockPath, dimensions, name);
            continue;
        }
        std::shared_ptr<IDataType> type = m_types.createDataType(record.dataTypeIndex, record.fixedPointIndex);
        if (!type) {
            if (kind.typeCheckedFirst)
                qCWarning(lcModelBuilding).nospace().noquote() << "Could not get datatype " << record.dataTypeIndex;
            else
                qCWarning(lcModelBuilding).nospace().noquote()
                    << "Could not get datatype " << record.dataTypeIndex << " for signal " << name;
            continue;
        }
        addSignalNode(kind, record, blockPath, dimensions, name, generated, std::move(type));
    }
}

void ModelBuilder::addSignalNode(const SignalKind &kind, const signal_t &record, const QByteArray &blockPath,
                                 Dimensions dimensions, QByteArray name, bool generated,
                                 std::shared_ptr<IDataType> type)
{
    IModelNode *block = findOrCreateBlock(blockPath);
    auto node = std::make_unique<BasicStreamableNode>(kind.typeCode, SimulinkDataTypes::VariableType(kind.variableType),
                                                      m_owner, block, record.referenceId, record.modelReference,
                                                      std::move(type), std::move(dimensions), record.defaultRate,
                                                      std::move(name), QByteArray::number(record.port), generated);
    IModelNode *added = IModelNode::addChild(block, std::move(node));
    store(record.referenceId, added);
    m_model.variables.push_back(added);
}

void ModelBuilder::addBusSignalNode(const SignalKind &kind, const signal_t &record, const QByteArray &blockPath,
                                    Dimensions dimensions, QByteArray name)
{
    if (dimensions.count() != 1) {
        qCWarning(lcModelBuilding) << "Only Scalar busses are supported";
        return;
    }
    if (!hasStructElements(record.dataTypeIndex)) {
        qCWarning(lcModelBuilding).nospace().noquote() << "Could not get all the struct elements for signal " << name;
        return;
    }
    IModelNode *block = findOrCreateBlock(blockPath);
    auto bus = std::make_unique<StructNode>(kind.busTypeCode, m_owner, block, record.referenceId, record.modelReference,
                                            0, std::move(dimensions), record.defaultRate, std::move(name),
                                            QByteArray::number(record.port), record.dataTypeIndex);
    auto *added = static_cast<StructNode *>(IModelNode::addChild(block, std::move(bus)));
    store(record.referenceId, added);
    const datatype_t &busType = m_types.dataTypes()[record.dataTypeIndex];
    addStructElementNodes(added, busType.firstBusElement, busType.busElementCount);
}

void ModelBuilder::addStructElementNodes(StructNode *bus, uint16_t first, uint16_t count)
{
    for (uint32_t index = first; index < uint32_t(first) + count; ++index) {
        const struct_element_t &element = m_description.structElements[qsizetype(index)];
        if (element.dimensionCount == 0 || element.dimensionCount > 2) {
            qCWarning(lcModelBuilding).nospace().noquote()
                << "Invalid dimension size " << element.dimensionCount << " for struct element";
            continue;
        }
        const QByteArray name = m_types.stringAt(BusElementNames, element.nameIndex).toByteArray();
        const Dimensions dimensions = dimensionsOf(element.layoutKind, element.dimensionCount, element.dimensions);
        if (m_types.isBusType(element.dataTypeIndex, element.fixedPointIndex)) {
            if (!hasStructElements(element.dataTypeIndex)) {
                qCWarning(lcModelBuilding).nospace().noquote()
                    << "Could not get all the struct elements for signal " << name;
                continue;
            }
            // A bus that holds itself, directly or further down, would never end.
            bool recursive = false;
            for (const IModelNode *outer = bus; outer && outer->isStruct(); outer = outer->parent())
                recursive |= static_cast<const StructNode *>(outer)->dataTypeIndex() == element.dataTypeIndex;
            if (recursive) {
                qCWarning(lcModelBuilding).nospace().noquote() << "Bus " << name << " contains itself; left out";
                continue;
            }
            auto nested = std::make_unique<StructNode>(bus->typeCode(), m_owner, bus, bus->referenceId(),
                                                       bus->modelReference(), element.offset, dimensions,
                                                       bus->defaultRate(), name, name, element.dataTypeIndex);
            auto *added = static_cast<StructNode *>(IModelNode::addChild(bus, std::move(nested)));
            const datatype_t &busType = m_types.dataTypes()[element.dataTypeIndex];
            addStructElementNodes(added, busType.firstBusElement, busType.busElementCount);
            continue;
        }
        std::shared_ptr<IDataType> type = m_types.createDataType(element.dataTypeIndex, element.fixedPointIndex);
        if (!type) {
            qCWarning(lcModelBuilding).nospace().noquote() << "Could not get datatype " << element.dataTypeIndex;
            continue;
        }
        IModelNode *added = IModelNode::addChild(
            bus, std::make_unique<StructElementNode>(m_owner, bus, element.offset, std::move(type), dimensions, name));
        m_model.variables.push_back(added);
    }
}

bool ModelBuilder::hasStructElements(uint16_t busTypeIndex) const
{
    const datatype_t &busType = m_types.dataTypes()[busTypeIndex];
    return m_description.structElements.size() >= qsizetype(busType.firstBusElement) + busType.busElementCount;
}

void ModelBuilder::loadBlockStates()
{
    for (const state_t &record : m_description.states) {
        if (record.dimensionCount == 0 || record.dimensionCount > 2) {
            qCWarning(lcModelBuilding).nospace().noquote()
                << "Invalid dimension size " << record.dimensionCount << " for block state";
            continue;
        }
        if (record.modelReference >= m_model.modelPaths.size()) {
            qCWarning(lcModelBuilding).nospace().noquote()
                << "Invalid model reference " << record.modelReference << " for block states";
            continue;
        }
        std::shared_ptr<IDataType> type = m_types.createDataType(record.dataTypeIndex, record.fixedPointIndex);
        if (!type) {
            qCWarning(lcModelBuilding).nospace().noquote() << "Could not get datatype " << record.dataTypeIndex;
            continue;
        }
        IModelNode *block = findOrCreateBlock(blockPathOf(record.modelReference,
                                                          m_types.stringAt(StateBlockPaths, record.blockPathIndex)));
        const QByteArray name = unescapePathComponent(m_types.stringAt(StateNames, record.nameIndex));
        IModelNode *added =
            IModelNode::addChild(block, std::make_unique<BasicStreamableNode>(
                                            IModelNode::BlockState, SimulinkDataTypes::State, m_owner, block,
                                            record.referenceId, record.modelReference, std::move(type),
                                            dimensionsOf(record.layoutKind, record.dimensionCount, record.dimensions),
                                            record.defaultRate, name, name));
        store(record.referenceId, added);
        m_model.variables.push_back(added);
    }
}

void ModelBuilder::loadBlockParameters(Mode mode)
{
    loadParameters(mode, false);
}

void ModelBuilder::loadModelParameters(Mode mode)
{
    loadParameters(mode, true);
}

void ModelBuilder::loadParameters(Mode mode, bool modelParameters)
{
    const QList<param_t> &records = modelParameters ? m_description.modelParameters : m_description.blockParameters;
    const QByteArray &memory = modelParameters ? m_description.modelParameterMemory
                                               : m_description.blockParameterMemory;
    const char *what = modelParameters ? "model parameter" : "block parameter";
    qsizetype position = 0;
    for (const param_t &record : records) {
        if (record.isModelParameter() != modelParameters)
            qCWarning(lcModelBuilding) << (modelParameters ? "Block parameter in model parameter list"
                                                           : "Model parameter in block parameter list");
        if (record.modelReference >= m_model.modelPaths.size()) {
            qCWarning(lcModelBuilding).nospace().noquote() << "Invalid model reference " << record.modelReference
                                                           << " for " << what << "; not all " << what << "s are loaded";
            return;
        }
        // Skips the bytes of one element of the record's type, or stops the list when
        // even that size is unknown.
        const auto skipOneElement = [&] {
            if (record.dataTypeIndex >= m_types.dataTypes().size()) {
                qCWarning(lcModelBuilding).nospace().noquote()
                    << "Skipped " << what << " data size not known: Not all " << what << "s are loaded";
                return false;
            }
            position += m_types.dataTypes()[record.dataTypeIndex].dataSize;
            return true;
        };
        std::shared_ptr<IDataType> type = m_types.createDataType(record.dataTypeIndex, record.fixedPointIndex);
        if (!type) {
            qCWarning(lcModelBuilding).nospace().noquote() << "Could not get datatype " << record.dataTypeIndex;
            if (!skipOneElement())
                return;
            continue;
        }
        if (record.dimensionCount == 0 || record.dimensionCount > 2) {
            qCWarning(lcModelBuilding).nospace().noquote()
                << "Invalid dimension size " << record.dimensionCount << " for " << what;
            // A value of more dimensions is larger than one element, and where it ends
            // cannot be told: what follows it in the memory cannot be read.
            if (record.dimensionCount > 2) {
                qCWarning(lcModelBuilding).nospace().noquote() << "Not all " << what << "s are loaded";
                return;
            }
            if (!skipOneElement())
                return;
            continue;
        }
        const Dimensions dimensions = dimensionsOf(record.layoutKind, record.dimensionCount, record.dimensions);
        const qsizetype length = qsizetype(dimensions.count()) * type->size();
        if (memory.size() - position < length) {
            qCWarning(lcModelBuilding) << (modelParameters
                                               ? "Raw data is not enough to initialize all the parameters"
                                               : "Raw data is not enough to initialize all the block parameters");
            return;
        }
        ValueBuffer value(QByteArrayView(memory).sliced(position, length), type->size(), dimensions);
        position += length;

        const QByteArray name = unescapePathComponent(
            m_types.stringAt(modelParameters ? ModelParameterNames : BlockParameterNames, record.nameIndex));
        IModelNode *parent = nullptr;
        if (modelParameters)
            parent = IModelNode::findDescendant(m_model.root.get(), m_model.modelPaths[record.modelReference]);
        else
            parent = findOrCreateBlock(blockPathOf(record.modelReference,
                                                   m_types.stringAt(BlockParameterBlockPaths, record.blockPathIndex)));
        if (!parent)
            continue;
        if (mode == Mode::Refresh) {
            if (ParameterNode *node = refreshTarget(record.referenceId, parent, name, modelParameters))
                node->updateValue(std::move(value));
            continue;
        }
        std::unique_ptr<IModelNode> node;
        if (modelParameters)
            node = std::make_unique<ModelParameterNode>(m_owner, parent, record.referenceId, record.modelReference,
                                                        std::move(type), std::move(value), name);
        else
            node = std::make_unique<BlockParameterNode>(m_owner, parent, record.referenceId, record.modelReference,
                                                        std::move(type), std::move(value), name);
        IModelNode *added = IModelNode::addChild(parent, std::move(node));
        store(record.referenceId, added);
        m_model.variables.push_back(added);
    }
}

ParameterNode *ModelBuilder::refreshTarget(uint16_t referenceId, IModelNode *parent, const QByteArray &name,
                                           bool modelParameter) const
{
    const auto parameterOfKind = [modelParameter](IModelNode *node) -> ParameterNode * {
        if (!node || !node->isParameter())
            return nullptr;
        auto *parameter = static_cast<ParameterNode *>(node);
        const bool isModelParameter = parameter->variableType() == SimulinkDataTypes::ModelParameter;
        return isModelParameter == modelParameter ? parameter : nullptr;
    };
    // By reference id first: a name that holds "/" or that the tree had to suffix
    // would not be found by its name.
    if (referenceId < m_model.nodeTable.size()) {
        if (ParameterNode *node = parameterOfKind(m_model.nodeTable[referenceId]); node && node->parent() == parent)
            return node;
    }
    for (const auto &child : parent->children()) {
        if (child->pathName() == name)
            return parameterOfKind(child.get());
    }
    return nullptr;
}

IModelNode *ModelBuilder::findOrCreateBlock(const QByteArray &blockPath)
{
    if (IModelNode *block = IModelNode::findDescendant(m_model.root.get(), blockPath))
        return block;
    const PathSplit split = splitLastPathComponent(blockPath);
    return IModelNode::insertAtPath(m_model.root.get(), split.first,
                                    std::make_unique<BlockNode>(m_owner, nullptr, unescapePathComponent(split.rest)));
}

QByteArray ModelBuilder::blockPathOf(uint16_t modelReference, QByteArrayView blockPathString) const
{
    return m_model.modelPaths[modelReference] + '/' + stripFirstPathComponent(blockPathString);
}

void ModelBuilder::store(uint16_t referenceId, IModelNode *node)
{
    if (referenceId < m_model.nodeTable.size())
        m_model.nodeTable[referenceId] = node;
}

} // namespace monitoring
