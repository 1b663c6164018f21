#include "ParameterNode.h"

#include "Interface.h"
#include "MonCtrlChannel.h"
#include "ProtocolRecords.h"

#include <QLoggingCategory>

#include <algorithm>
#include <cmath>
#include <limits>

Q_LOGGING_CATEGORY(lcParameterNode, "Monitoring.ParameterNode")

namespace monitoring {

ParameterNode::ParameterNode(Interface *interface, IModelNode *parent, uint16_t referenceId, uint16_t modelReference,
                             std::shared_ptr<IDataType> dataType, ValueBuffer initialValue, QByteArray name,
                             QByteArray pathName)
    : IModelNode(interface, parent, std::move(name), std::move(pathName))
    , m_referenceId(referenceId)
    , m_modelReference(modelReference)
    , m_dataType(std::move(dataType))
    , m_initialValue(std::move(initialValue))
    , m_deviceValue(m_initialValue)
    , m_localValue(m_initialValue)
{
}

void ParameterNode::setValue(uint16_t index, double value)
{
    const std::span<uint8_t> local = m_localValue.element(index);
    if (local.empty() || !m_dataType || m_dataType->size() > protocol::MaxElementSize) {
        qCWarning(lcParameterNode) << "Refusing to write element" << index << "of parameter" << fullPath() << "with"
                                   << m_localValue.count() << "elements";
        return;
    }
    protocol::param_set_t request;
    request.referenceId = m_referenceId;
    request.modelReference = m_modelReference;
    request.dataTypeIndex = m_dataType->dataTypeIndex();
    request.elementIndex = index;
    request.layoutKind = m_deviceValue.dimensions().layoutKind();
    request.memory = variableType() == SimulinkDataTypes::ModelParameter ? protocol::param_set_t::ModelParameterMemory
                                                                         : protocol::param_set_t::BlockParameterMemory;
    const std::span<uint8_t> encoded(request.value.data(), m_dataType->size());
    m_dataType->fromDouble(value, encoded);

    m_pendingWrites.append(index);
    std::copy_n(encoded.begin(), std::min(encoded.size(), local.size()), local.begin());
    if (Interface *owner = interface())
        owner->controlChannel()->setParameter(request);
    m_inSync = m_pendingWrites.isEmpty();
    notify();
}

void ParameterNode::confirmWrite(int32_t index)
{
    const qsizetype pending = m_pendingWrites.indexOf(index);
    if (pending >= 0) {
        const std::span<const uint8_t> local = std::as_const(m_localValue).element(index);
        const std::span<uint8_t> device = m_deviceValue.element(index);
        std::copy_n(local.begin(), std::min(local.size(), device.size()), device.begin());
        m_pendingWrites.removeAt(pending);
    }
    m_inSync = m_pendingWrites.isEmpty();
    notify();
    if (Interface *owner = interface())
        owner->controlChannel()->requestRawData(protocol::rawdata_type_t(variableType()));
}

void ParameterNode::updateValue(ValueBuffer value)
{
    const bool changed = !(value == m_deviceValue);
    m_deviceValue = std::move(value);
    m_localValue = m_deviceValue;
    m_pendingWrites.clear();
    if (changed) {
        m_inSync = true;
        notify();
    } else {
        // Nothing is pending any more, so the node is in sync whether or not the
        // value moved; those watching hear of it only when the flag changes.
        setInSync(true);
    }
}

double ParameterNode::valueAsDouble(int64_t index) const
{
    const std::span<const uint8_t> element = m_deviceValue.element(index);
    if (element.empty() || !m_dataType || element.size() < m_dataType->size())
        return std::numeric_limits<double>::quiet_NaN();
    return m_dataType->toDouble(element);
}

void ParameterNode::setInSync(bool inSync)
{
    if (m_inSync == inSync)
        return;
    m_inSync = inSync;
    notify();
}

void ParameterNode::notify()
{
    if (m_changed)
        m_changed();
}

} // namespace monitoring
