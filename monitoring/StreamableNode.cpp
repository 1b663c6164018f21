#include "StreamableNode.h"

#include "DataChannel.h"
#include "Interface.h"
#include "MonCtrlChannel.h"
#include "ProtocolRecords.h"

#include <QLoggingCategory>

#include <algorithm>

Q_LOGGING_CATEGORY(lcStreamableNode, "Monitoring.StreamableNode")

namespace monitoring {

StreamableNode::StreamableNode(Interface *interface, IModelNode *parent, uint16_t referenceId, uint16_t modelReference,
                               std::shared_ptr<IDataType> dataType, Dimensions dimensions, uint16_t defaultRate,
                               QByteArray name, QByteArray pathName, bool generatedName)
    : IModelNode(interface, parent, std::move(name), std::move(pathName), generatedName)
    , m_referenceId(referenceId)
    , m_modelReference(modelReference)
    , m_dataType(std::move(dataType))
    , m_defaultRate(defaultRate)
    , m_dimensions(std::move(dimensions))
{
}

StreamableNode::~StreamableNode()
{
    // The interface normally forgets every stream before it drops the tree; a node
    // that goes on its own takes its streams along, so that nothing points to it.
    if (Interface *owner = interface()) {
        for (const uint16_t key : m_registeredKeys) {
            owner->dataChannel()->unregisterStream(m_referenceId, key);
            owner->removePendingActivation(m_referenceId, key);
        }
    }
}

void StreamableNode::subscribe(int32_t handle, uint16_t memoryOffset, int32_t rate)
{
    if (rate < 0)
        rate = m_defaultRate;
    const uint16_t key = uint16_t(elementOffset() + memoryOffset);
    const auto last = std::find_if(m_pending.rbegin(), m_pending.rend(),
                                   [key](const Pending &p) { return p.key == key; });
    if (last != m_pending.rend()) {
        // A request for the key is on its way: its acknowledgement serves this one too.
        // Behind a cancellation, though, the stream will have stopped by then, so this
        // one waits and is sent once the cancellation is through.
        m_pending.push_back({key, rate, handle, last->rate < 0, false});
        return;
    }
    m_pending.push_back({key, rate, handle, false, false});
    request(key, rate);
}

void StreamableNode::unsubscribe(int32_t handle)
{
    const auto active = std::find_if(m_active.begin(), m_active.end(),
                                     [handle](const Active &a) { return a.handle == handle; });
    if (active != m_active.end()) {
        const uint16_t key = active->key;
        m_pending.push_back({key, -1, handle, false, false});
        sendActivation(key, -1);
        return;
    }
    // Not acknowledged yet: once it is, the stream is stopped again unless someone
    // else wants it.
    for (Pending &pending : m_pending) {
        if (pending.handle == handle && pending.rate >= 0)
            pending.cancelledByCaller = true;
    }
}

void StreamableNode::sendActivation(uint16_t key, int32_t rate)
{
    Interface *owner = interface();
    if (!owner)
        return;
    protocol::signal_set_t request;
    request.referenceId = m_referenceId;
    request.modelReference = m_modelReference;
    request.rate = rate;
    request.elementSize = m_dataType ? m_dataType->size() : 0;
    request.dataOffset = key;
    request.variableKind = variableType();
    owner->controlChannel()->setSignal(request);
}

void StreamableNode::onActivationAck(uint16_t key)
{
    if (!hasPending(key)) {
        qCWarning(lcStreamableNode) << "Received acknowledge for non pending streaming activation.";
        return;
    }
    // The requests this acknowledgement answers: those of the key up to the first one
    // still waiting to be sent. Taken out first, as the callbacks may subscribe again.
    std::vector<Pending> answered;
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        if (it->key != key) {
            ++it;
            continue;
        }
        if (it->waitsToBeSent)
            break;
        answered.push_back(*it);
        it = m_pending.erase(it);
    }

    bool stopped = false;
    const Pending *orphan = nullptr;
    for (const Pending &pending : answered) {
        if (pending.rate < 0) {
            stopStream(key);
            stopped = true;
            std::erase_if(m_active, [&](const Active &a) { return a.handle == pending.handle; });
        } else if (pending.cancelledByCaller) {
            orphan = &pending;
        } else {
            activate(pending.handle, key, pending.rate);
        }
        // Those who left before the board answered are not told.
        if (m_ackCallback && !pending.cancelledByCaller)
            m_ackCallback(pending.handle, uint16_t(key - elementOffset()), pending.rate);
    }

    if (orphan && !stopped && !hasActive(key) && !hasPending(key)) {
        // Everyone who asked for the stream has left before it began.
        m_pending.push_back({key, -1, orphan->handle, false, true});
        sendActivation(key, -1);
        return;
    }
    // Subscribers that came while the stream was being cancelled ask for it anew,
    // without those that left again meanwhile.
    const auto next = std::find_if(m_pending.begin(), m_pending.end(),
                                   [key](const Pending &p) { return p.key == key; });
    if (next == m_pending.end() || !next->waitsToBeSent)
        return;
    std::erase_if(m_pending, [key](const Pending &p) { return p.key == key && p.rate >= 0 && p.cancelledByCaller; });
    const auto first = std::find_if(m_pending.begin(), m_pending.end(),
                                    [key](const Pending &p) { return p.key == key && p.rate >= 0; });
    if (first == m_pending.end())
        return;
    for (Pending &pending : m_pending) {
        if (pending.key == key)
            pending.waitsToBeSent = false;
    }
    request(key, first->rate);
}

void StreamableNode::onSample(uint16_t key, std::span<const uint8_t> element, uint64_t timestamp)
{
    if (!m_sampleCallback || !m_dataType || element.size() < m_dataType->size())
        return;
    const double value = m_dataType->toDouble(element);
    for (size_t i = 0; i < m_active.size(); ++i) {
        if (m_active[i].key == key)
            m_sampleCallback(m_active[i].handle, value, timestamp);
    }
}

bool StreamableNode::isActive(int32_t handle) const
{
    return std::any_of(m_active.begin(), m_active.end(), [handle](const Active &a) { return a.handle == handle; });
}

void StreamableNode::request(uint16_t key, int32_t rate)
{
    Interface *owner = interface();
    if (!owner)
        return;
    owner->registerPendingActivation(m_referenceId, key, this);
    // The board sends the data offset with every sample of a variable that is not a
    // scalar, of a bus, and of any element but the first.
    const bool withOffset = key != 0 || m_dimensions.layoutKind() != Dimensions::Scalar || typeCode() == BusElement;
    owner->dataChannel()->registerStream(m_referenceId, key, m_dataType ? m_dataType->size() : 0, withOffset, this);
    if (std::find(m_registeredKeys.begin(), m_registeredKeys.end(), key) == m_registeredKeys.end())
        m_registeredKeys.push_back(key);
    sendActivation(key, rate);
}

void StreamableNode::activate(int32_t handle, uint16_t key, int32_t rate)
{
    const auto active = std::find_if(m_active.begin(), m_active.end(),
                                     [handle](const Active &a) { return a.handle == handle; });
    if (active != m_active.end())
        *active = {handle, key, rate};
    else
        m_active.push_back({handle, key, rate});
}

void StreamableNode::stopStream(uint16_t key)
{
    if (Interface *owner = interface()) {
        owner->dataChannel()->unregisterStream(m_referenceId, key);
        owner->removePendingActivation(m_referenceId, key);
    }
    std::erase(m_registeredKeys, key);
}

bool StreamableNode::hasPending(uint16_t key) const
{
    return std::any_of(m_pending.begin(), m_pending.end(), [key](const Pending &p) { return p.key == key; });
}

bool StreamableNode::hasActive(uint16_t key) const
{
    return std::any_of(m_active.begin(), m_active.end(), [key](const Active &a) { return a.key == key; });
}

BasicStreamableNode::BasicStreamableNode(int32_t typeCode, SimulinkDataTypes::VariableType variableType,
                                         Interface *interface, IModelNode *parent, uint16_t referenceId,
                                         uint16_t modelReference, std::shared_ptr<IDataType> dataType,
                                         Dimensions dimensions, uint16_t defaultRate, QByteArray name,
                                         QByteArray pathName, bool generatedName)
    : StreamableNode(interface, parent, referenceId, modelReference, std::move(dataType), std::move(dimensions),
                     defaultRate, std::move(name), std::move(pathName), generatedName)
    , m_typeCode(typeCode)
    , m_variableType(variableType)
{
}

} // namespace monitoring
