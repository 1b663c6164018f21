// Feeds board payloads to the monitoring control channel through a datalink manager.
// The input is a run of records: a control byte, a length byte and the payload. The
// control byte can make the payload's length field fit (so that most messages get
// past reassembly) and set its command to one of the host's, so that the readers of
// every reply are reached; long replies come in several payloads.

#include "DatalinkManager.h"
#include "MonCtrlChannel.h"

#include <QCoreApplication>
#include <QtEndian>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

void discardMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

// What the harness read, kept so that the reading is not optimised away.
volatile size_t kept = 0;

enum Control : uint8_t {
    FixLength = 0x01,
    SetCommand = 0x02, // the command becomes (control >> 3) % 21
    LengthTimesEight = 0x04,
};

QByteArray prepare(QByteArray payload, uint8_t control)
{
    if (payload.size() < 5)
        return payload;
    if (control & SetCommand)
        qToLittleEndian<int16_t>(int16_t((control >> 3) % 21), payload.data());
    if (control & FixLength)
        qToLittleEndian<uint16_t>(uint16_t(payload.size()), payload.data() + 2);
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
    monitoring::MonCtrlChannel channel(&manager, &manager);
    // Touch every record a signal carries, so that a wrong size or offset shows.
    size_t checksum = 0;
    QObject::connect(&channel, &monitoring::MonCtrlChannel::stringsReceived,
                     [&](uint8_t, const QList<QByteArray> &strings) {
                         for (const QByteArray &s : strings)
                             checksum += size_t(s.size()) + size_t(s.isEmpty() ? 0 : uint8_t(s.back()));
                     });
    QObject::connect(&channel, &monitoring::MonCtrlChannel::rawDataReceived,
                     [&](uint8_t, const QByteArray &bytes) { checksum += size_t(bytes.size()); });
    size_t pos = 0;
    while (pos + 2 <= size) {
        const uint8_t control = data[pos];
        const size_t wanted = size_t(data[pos + 1]) * ((control & LengthTimesEight) ? 8 : 1);
        const size_t length = std::min<size_t>(wanted, size - pos - 2);
        pos += 2;
        const QByteArray payload = prepare(QByteArray(reinterpret_cast<const char *>(data + pos), qsizetype(length)),
                                           control);
        pos += length;
        // Longer than a link packet: in pieces, as the link hands them on.
        for (qsizetype offset = 0; offset < payload.size() || offset == 0; offset += 1018)
            emit manager.DataReady(2, payload.mid(offset, 1018));
    }
    kept = checksum;
    return 0;
}
