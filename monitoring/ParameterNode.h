#pragma once

#include "IDataType.h"
#include "IModelNode.h"
#include "SimulinkDataTypes.h"
#include "ValueBuffer.h"

#include <QList>

#include <functional>
#include <memory>

namespace monitoring {

// A block or model parameter: the value the board last reported, the value with the
// user's unconfirmed writes applied, and the writes the board has yet to confirm. A
// write is sent at once; the board's confirmation makes the node read its parameter
// memory again, and the value it then reports is the one shown.
class ParameterNode : public IModelNode
{
public:
    ParameterNode(Interface *interface, IModelNode *parent, uint16_t referenceId, uint16_t modelReference,
                  std::shared_ptr<IDataType> dataType, ValueBuffer initialValue, QByteArray name, QByteArray pathName);

    bool isParameter() const override { return true; }
    // The raw-data kind of the memory the parameter lives in.
    virtual SimulinkDataTypes::VariableType variableType() const = 0;

    uint16_t referenceId() const { return m_referenceId; }
    uint16_t modelReference() const { return m_modelReference; }
    const std::shared_ptr<IDataType> &dataType() const { return m_dataType; }
    const ValueBuffer &initialValue() const { return m_initialValue; }
    const ValueBuffer &deviceValue() const { return m_deviceValue; }
    const ValueBuffer &localValue() const { return m_localValue; }
    const QList<int32_t> &pendingWrites() const { return m_pendingWrites; }
    bool inSync() const { return m_inSync; }
    // Called after every change of the values or of the in-sync flag.
    void setChangeCallback(std::function<void()> callback) { m_changed = std::move(callback); }

    // Writes element index: sends the value encoded as the parameter's type holds it.
    // An index outside the parameter is refused with a warning.
    void setValue(uint16_t index, double value);
    // The board confirmed a write of element index: that write counts as done, and
    // the parameter memory is read again.
    void confirmWrite(int32_t index);
    // The value the board reports now; every write still pending is settled by it.
    void updateValue(ValueBuffer value);
    // Element index of the board's value; NaN for an index outside the parameter.
    double valueAsDouble(int64_t index) const;

private:
    void setInSync(bool inSync);
    void notify();

    std::function<void()> m_changed;
    uint16_t m_referenceId;
    uint16_t m_modelReference;
    std::shared_ptr<IDataType> m_dataType;
    ValueBuffer m_initialValue;
    ValueBuffer m_deviceValue;
    ValueBuffer m_localValue;
    QList<int32_t> m_pendingWrites;
    bool m_inSync = true;
};

// A parameter of a block (type code 4) or of a model (6).
template<int32_t Code, SimulinkDataTypes::VariableType Kind>
class BasicParamNode final : public ParameterNode
{
public:
    BasicParamNode(Interface *interface, IModelNode *parent, uint16_t referenceId, uint16_t modelReference,
                   std::shared_ptr<IDataType> dataType, ValueBuffer initialValue, const QByteArray &name)
        : ParameterNode(interface, parent, referenceId, modelReference, std::move(dataType), std::move(initialValue),
                        name, name)
    {
    }

    int32_t typeCode() const override { return Code; }
    SimulinkDataTypes::VariableType variableType() const override { return Kind; }
};

using BlockParameterNode = BasicParamNode<IModelNode::BlockParameter, SimulinkDataTypes::BlockParameter>;
using ModelParameterNode = BasicParamNode<IModelNode::ModelParameter, SimulinkDataTypes::ModelParameter>;

} // namespace monitoring
