// Feeds board payloads to the monitoring data channel. The input starts with the
// streams to register: a count byte (at most 8), then per stream the reference id and
// data offset (16 bits each), the value size (1 to 16) and a byte whose lowest bit
// says whether its records carry offsets. A run of records follows: a control byte, a
// length byte and the payload; the control byte can make the payload's length field
// and command fit, so that the records are reached.

#include "DataChannel.h"
#include "DatalinkManager.h"
#include "StreamSink.h"

#include <QCoreApplication>
#include <QtEndian>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

void discardMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

// What the harness read, kept so that the reading is not optimised away.
volatile uint64_t kept = 0;

enum Control : uint8_t {
    FixLength = 0x01,
    FixCommand = 0x02,
    LengthTimesEight = 0x04,
    Unregister = 0x08, // before the payload, the first stream leaves the registry
};

// Reads every byte of every sample, so that a value outside its message shows.
class TouchingSink : public monitoring::StreamSink
{
public:
    explicit TouchingSink(uint16_t valueSize)
        : m_valueSize(valueSize)
    {
    }
    void onActivationAck(uint16_t) override {}
    void onSample(uint16_t dataOffset, std::span<const uint8_t> element, uint64_t timestamp) override
    {
        if (element.size() != m_valueSize)
            __builtin_trap();
        for (uint8_t byte : element)
            m_sum += byte;
        m_sum += dataOffset + timestamp;
    }
    uint64_t sum() const { return m_sum; }

private:
    uint16_t m_valueSize;
    uint64_t m_sum = 0;
};

struct Registration
{
    uint16_t referenceId;
    uint16_t dataOffset;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qInstallMessageHandler(discardMessages);
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    DatalinkManager manager;
    monitoring::DataChannel channel(&manager, &manager);
    std::vector<std::unique_ptr<TouchingSink>> sinks;
    std::vector<Registration> registrations;
    const size_t count = std::min<size_t>(data[0] % 9, (size - 1) / 6);
    size_t pos = 1;
    for (size_t i = 0; i < count; ++i, pos += 6) {
        const auto referenceId = qFromLittleEndian<uint16_t>(data + pos);
        const auto dataOffset = qFromLittleEndian<uint16_t>(data + pos + 2);
        const auto valueSize = uint16_t(data[pos + 4] % 16 + 1);
        sinks.push_back(std::make_unique<TouchingSink>(valueSize));
        channel.registerStream(referenceId, dataOffset, valueSize, data[pos + 5] & 1, sinks.back().get());
        registrations.push_back({referenceId, dataOffset});
    }
    while (pos + 2 <= size) {
        const uint8_t control = data[pos];
        const size_t wanted = size_t(data[pos + 1]) * ((control & LengthTimesEight) ? 8 : 1);
        const size_t length = std::min<size_t>(wanted, size - pos - 2);
        pos += 2;
        QByteArray payload(reinterpret_cast<const char *>(data + pos), qsizetype(length));
        pos += length;
        if (payload.size() >= 4) {
            if (control & FixCommand)
                qToLittleEndian<int16_t>(1, payload.data());
            if (control & FixLength)
                qToLittleEndian<uint16_t>(uint16_t(payload.size()), payload.data() + 2);
        }
        if ((control & Unregister) && !registrations.empty()) {
            channel.unregisterStream(registrations.front().referenceId, registrations.front().dataOffset);
            registrations.erase(registrations.begin());
        }
        emit manager.DataReady(3, payload);
    }
    uint64_t sum = 0;
    for (const auto &sink : sinks)
        sum += sink->sum();
    kept = sum;
    return 0;
}
