// Feeds board payloads to the control channel and the error channel through a
// datalink manager. The input is a run of records: a control byte, a length byte and
// the payload. The control byte picks the channel and whether the payload's own length
// field is made to fit, so that most payloads get past that check and reach the
// readers of each reply and each kind of message.

#include "ControlChannel.h"
#include "DatalinkManager.h"
#include "ErrorChannel.h"

#include <QCoreApplication>
#include <QtEndian>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

void discardMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

enum Control : uint8_t {
    ErrorChannelPayload = 0x01,
    FixLength = 0x02,
};

QByteArray prepare(QByteArray payload, uint8_t control)
{
    if (!(control & FixLength) || payload.size() < 4)
        return payload;
    if (control & ErrorChannelPayload)
        qToLittleEndian<quint16>(quint16(payload.size() - 4), payload.data() + 2);
    else
        qToLittleEndian<quint16>(quint16(payload.size()), payload.data());
    return payload;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qInstallMessageHandler(discardMessages);
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    DatalinkManager manager;
    ControlChannel control(&manager, 1, true, &manager);
    ErrorChannel errors(&manager, 6, true, &manager);
    errors.setLogLevel(2);
    size_t pos = 0;
    while (pos + 2 <= size) {
        const uint8_t flags = data[pos];
        // Lengths up to 510, so that the 404-byte Wi-Fi settings can be reached.
        const size_t wanted = size_t(data[pos + 1]) * 2;
        const size_t length = std::min<size_t>(wanted, size - pos - 2);
        pos += 2;
        const QByteArray payload = prepare(QByteArray(reinterpret_cast<const char *>(data + pos), qsizetype(length)),
                                           flags);
        pos += length;
        emit manager.DataReady((flags & ErrorChannelPayload) ? 6 : 1, payload);
    }
    return 0;
}
