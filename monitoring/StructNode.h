#pragma once

#include "Dimensions.h"
#include "IModelNode.h"
#include "StreamableNode.h"

namespace monitoring {

// A bus signal, bus root input or bus root output (type codes 9 to 11), or a bus
// nested in one. It is not streamed itself: its elements are, under its reference id.
class StructNode final : public IModelNode
{
public:
    StructNode(int32_t typeCode, Interface *interface, IModelNode *parent, uint16_t referenceId,
               uint16_t modelReference, uint16_t offset, Dimensions dimensions, uint16_t defaultRate, QByteArray name,
               QByteArray pathName, uint16_t dataTypeIndex = 0);

    int32_t typeCode() const override { return m_typeCode; }
    bool isStruct() const override { return true; }

    uint16_t referenceId() const { return m_referenceId; }
    uint16_t modelReference() const { return m_modelReference; }
    uint16_t offset() const { return m_offset; }
    uint16_t defaultRate() const { return m_defaultRate; }
    const Dimensions &dimensions() const { return m_dimensions; }
    // The bus type's place in the board's data-type list.
    uint16_t dataTypeIndex() const { return m_dataTypeIndex; }
    // Where the bus starts inside the outermost bus (16-bit arithmetic, as the board's).
    uint16_t busOffset() const;

private:
    uint16_t m_referenceId;
    uint16_t m_modelReference;
    uint16_t m_offset;
    uint16_t m_defaultRate;
    Dimensions m_dimensions;
    int32_t m_typeCode;
    uint16_t m_dataTypeIndex;
};

// A leaf of a bus (type code 12), streamed under its bus's reference id at its place
// inside the outermost bus.
class StructElementNode final : public StreamableNode
{
public:
    StructElementNode(Interface *interface, StructNode *parent, uint16_t offset, std::shared_ptr<IDataType> dataType,
                      Dimensions dimensions, const QByteArray &name);

    int32_t typeCode() const override { return BusElement; }
    SimulinkDataTypes::VariableType variableType() const override { return SimulinkDataTypes::Signal; }
    uint16_t elementOffset() const override;
    uint16_t offset() const { return m_offset; }

private:
    uint16_t m_offset;
};

} // namespace monitoring
