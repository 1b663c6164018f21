#pragma once

#include "Dimensions.h"
#include "IDataType.h"
#include "IModelNode.h"
#include "SimulinkDataTypes.h"
#include "StreamSink.h"

#include <functional>
#include <memory>
#include <vector>

namespace monitoring {

// A variable whose elements the board can stream: a signal, a state, a root input or
// output, or an element of a bus. Subscribers, known by a handle of their choosing,
// ask for one element each (its memory key: the element's offset plus the node's
// elementOffset). The node asks the board for the stream, turns the board's
// acknowledgement into an active subscription and hands each sample of the key to its
// active subscribers. A cancellation stops the key's stream for every handle on it.
class StreamableNode : public IModelNode, public StreamSink
{
public:
    using SampleCallback = std::function<void(int32_t handle, double value, uint64_t timestamp)>;
    using AckCallback = std::function<void(int32_t handle, uint16_t elementOffset, int32_t rate)>;

    StreamableNode(Interface *interface, IModelNode *parent, uint16_t referenceId, uint16_t modelReference,
                   std::shared_ptr<IDataType> dataType, Dimensions dimensions, uint16_t defaultRate, QByteArray name,
                   QByteArray pathName, bool generatedName = false);
    ~StreamableNode() override;

    bool isStreamable() const override { return true; }
    virtual SimulinkDataTypes::VariableType variableType() const = 0;
    // Where the node's value starts inside the stream of its reference id.
    virtual uint16_t elementOffset() const { return 0; }

    uint16_t referenceId() const { return m_referenceId; }
    uint16_t modelReference() const { return m_modelReference; }
    const std::shared_ptr<IDataType> &dataType() const { return m_dataType; }
    const Dimensions &dimensions() const { return m_dimensions; }
    uint16_t defaultRate() const { return m_defaultRate; }
    void setSampleCallback(SampleCallback callback) { m_sampleCallback = std::move(callback); }
    void setAckCallback(AckCallback callback) { m_ackCallback = std::move(callback); }

    // Asks for the element at memoryOffset for handle; a negative rate asks for the
    // default rate.
    void subscribe(int32_t handle, uint16_t memoryOffset, int32_t rate);
    void unsubscribe(int32_t handle);
    void sendActivation(uint16_t key, int32_t rate);

    // The board acknowledged the request for key.
    void onActivationAck(uint16_t key) override;
    void onSample(uint16_t key, std::span<const uint8_t> element, uint64_t timestamp) override;

    // Whether handle receives samples, and the handles waiting for the board (tests
    // and diagnostics).
    bool isActive(int32_t handle) const;
    qsizetype pendingCount() const { return qsizetype(m_pending.size()); }

private:
    struct Pending
    {
        uint16_t key;
        int32_t rate; // negative: a cancellation
        int32_t handle;
        bool waitsToBeSent;     // queued behind a cancellation of the same key
        bool cancelledByCaller; // unsubscribed before the board acknowledged it
    };

    struct Active
    {
        int32_t handle;
        uint16_t key;
        int32_t rate;
    };

    // Enters the key's stream with the interface and the data channel and asks the board.
    void request(uint16_t key, int32_t rate);
    void activate(int32_t handle, uint16_t key, int32_t rate);
    void stopStream(uint16_t key);
    bool hasPending(uint16_t key) const;
    bool hasActive(uint16_t key) const;

    SampleCallback m_sampleCallback;
    AckCallback m_ackCallback;
    uint16_t m_referenceId;
    uint16_t m_modelReference;
    std::shared_ptr<IDataType> m_dataType;
    uint16_t m_defaultRate;
    Dimensions m_dimensions;
    std::vector<Pending> m_pending; // in the order of the requests
    std::vector<Active> m_active;   // few: a vector walks fastest per sample
    std::vector<uint16_t> m_registeredKeys;
};

// A signal (type code 3), a block state (5), a root input (7) or a root output (8).
class BasicStreamableNode final : public StreamableNode
{
public:
    BasicStreamableNode(int32_t typeCode, SimulinkDataTypes::VariableType variableType, Interface *interface,
                        IModelNode *parent, uint16_t referenceId, uint16_t modelReference,
                        std::shared_ptr<IDataType> dataType, Dimensions dimensions, uint16_t defaultRate,
                        QByteArray name, QByteArray pathName, bool generatedName = false);

    int32_t typeCode() const override { return m_typeCode; }
    SimulinkDataTypes::VariableType variableType() const override { return m_variableType; }

private:
    int32_t m_typeCode;
    SimulinkDataTypes::VariableType m_variableType;
};

} // namespace monitoring
