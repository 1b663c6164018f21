#include "SimulinkSignal.h"

#include "SignalSink.h"
#include "StreamableNode.h"

#include <cmath>

namespace SimulinkDataTypes {

SimulinkSignal::SimulinkSignal(QObject *parent, monitoring::StreamableNode *node)
    : SimulinkVariable(parent, node)
    , m_node(node)
    , m_odr(node->defaultRate())
{
    const QList<uint16_t> &sizes = node->dimensions().sizes();
    if (sizes.size() == 1) {
        m_columns = sizes[0];
    } else if (sizes.size() >= 2) {
        m_rows = sizes[0];
        m_columns = sizes[1];
    }
    m_node->setSampleCallback([this](int32_t handle, double value, uint64_t timestamp) {
        onValue(handle, value, timestamp);
    });
    m_node->setAckCallback([](int32_t, uint16_t, int32_t) {});
}

SimulinkSignal::~SimulinkSignal()
{
    if (m_node) {
        m_node->setSampleCallback({});
        m_node->setAckCallback({});
    }
}

uint16_t SimulinkSignal::referenceId() const
{
    return m_node ? m_node->referenceId() : 0;
}

uint16_t SimulinkSignal::modelReferenceIndex() const
{
    return m_node ? m_node->modelReference() : 0;
}

uint16_t SimulinkSignal::elementSize() const
{
    return m_node && m_node->dataType() ? m_node->dataType()->size() : 0;
}

void SimulinkSignal::detach()
{
    if (m_node) {
        m_node->setSampleCallback({});
        m_node->setAckCallback({});
    }
    m_node = nullptr;
    m_subscriptions.clear();
    SimulinkVariable::detach();
}

void SimulinkSignal::setValueClass(int valueClass)
{
    if (valueClass == m_valueClass)
        return;
    m_valueClass = valueClass;
    emit valueClassChanged();
}

int SimulinkSignal::classify(double value)
{
    // Named, not passed through: the values of std::fpclassify differ between C
    // libraries.
    switch (std::fpclassify(value)) {
    case FP_INFINITE:
        return Infinite;
    case FP_NAN:
        return NotANumber;
    case FP_ZERO:
        return Zero;
    case FP_SUBNORMAL:
        return Subnormal;
    default:
        return Normal;
    }
}

uint16_t SimulinkSignal::elementOffset(const QList<int> &index) const
{
    if (!m_node)
        return 0;
    const QList<int32_t> &strides = m_node->dimensions().strides();
    int32_t sum = 0;
    if (strides.size() == 1) {
        // One dimension is shown as a single row: the column is the element.
        const int32_t linear = index.size() >= 2 ? index[0] * m_columns + index[1] : index.value(0);
        sum = strides[0] * linear;
    } else {
        for (qsizetype k = 0; k < strides.size(); ++k)
            sum += strides[k] * index.value(k);
    }
    return uint16_t(uint16_t(elementSize()) * uint16_t(sum));
}

int SimulinkSignal::subscribe(uint16_t elementOffset, uint16_t rate, SignalSink *sink)
{
    if (!m_node || !sink)
        return -1;
    const int handle = m_nextHandle++;
    m_subscriptions.insert(handle, sink);
    m_node->subscribe(handle, elementOffset, rate);
    return handle;
}

void SimulinkSignal::unsubscribe(int handle)
{
    const auto found = m_subscriptions.constFind(handle);
    if (handle < 0 || found == m_subscriptions.cend())
        return;
    const uint16_t offset = found.value()->elementOffset();
    bool watchedElsewhere = false;
    for (auto it = m_subscriptions.cbegin(); it != m_subscriptions.cend(); ++it)
        watchedElsewhere |= it.key() != handle && it.value()->elementOffset() == offset;
    if (!watchedElsewhere && m_node)
        m_node->unsubscribe(handle);
    m_subscriptions.remove(handle);
}

void SimulinkSignal::onValue(int handle, double value, uint64_t timestamp)
{
    SignalSink *sink = m_subscriptions.value(handle, nullptr);
    if (!sink)
        return;
    sink->addSample(timestamp, value);
    setValueClass(classify(value));
}

} // namespace SimulinkDataTypes
