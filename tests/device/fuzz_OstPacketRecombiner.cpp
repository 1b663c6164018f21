// Feeds arbitrary bytes to the packet recombiner in chunks whose sizes the input
// chooses, and checks what must hold whatever arrives: every payload fits a frame,
// and what stays buffered is less than one frame and never starts with a zero byte.

#include "OstPacketRecombiner.h"
#include "PacketFrame.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

namespace {

void discardMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(discardMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    OstPacketRecombiner recombiner;
    qsizetype payloadBytes = 0;
    QObject::connect(&recombiner, &OstPacketRecombiner::packetReady, [&](uint16_t, const QByteArray &payload) {
        require(payload.size() <= PacketFrame::MaxPayloadSize);
        payloadBytes += payload.size();
    });

    // Each chunk is preceded by its length byte.
    size_t pos = 0;
    while (pos < size) {
        const size_t length = std::min<size_t>(data[pos], size - pos - 1);
        ++pos;
        const QByteArray chunk(reinterpret_cast<const char *>(data + pos), qsizetype(length));
        pos += length;
        const int result = recombiner.rawDataReady(chunk);
        require(result == 0 || result == -1);
        const QByteArray &rest = recombiner.buffer();
        require(rest.size() < PacketFrame::MaxFrameSize);
        require(rest.isEmpty() || rest.at(0) != '\0');
        if (result == -1)
            require(rest.isEmpty());
    }
    require(payloadBytes <= qsizetype(size));
    return 0;
}
