// Feeds link messages to the link protocol of a datalink manager. The input is a
// run of records: a control byte, a length byte and the message bytes. The control
// byte decides whether the size field and the checksum are made to fit, so that most
// messages get past those checks and reach the readers of each message type.

#include "DatalinkCommChannel.h"
#include "DatalinkManager.h"
#include "LinkCrc.h"
#include "LinkMessage.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

namespace {

void discardMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

enum Control : uint8_t {
    FixSize = 0x01,
    FixChecksum = 0x02,
    OtherChannel = 0x04,
};

QByteArray prepare(QByteArray message, uint8_t control)
{
    using namespace LinkMessage;
    if ((control & FixSize) && message.size() >= Header::Size + 2)
        write<uint16_t>(message, Header::Size, uint16_t(message.size()));
    if ((control & FixChecksum) && message.size() >= Header::CoveredFrom)
        write<uint32_t>(message, Header::Crc,
                        computeCrc32(0xFFFFFFFFu, message.constData() + Header::CoveredFrom,
                                     size_t(message.size() - Header::CoveredFrom)));
    return message;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qInstallMessageHandler(discardMessages);
    // Timers and the notification list need an application object.
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    {
        DatalinkManager manager;
        DatalinkCommChannel *channel = manager.commChannel();
        size_t pos = 0;
        while (pos + 2 <= size) {
            const uint8_t control = data[pos];
            const size_t length = std::min<size_t>(data[pos + 1], size - pos - 2);
            pos += 2;
            const QByteArray message =
                prepare(QByteArray(reinterpret_cast<const char *>(data + pos), qsizetype(length)), control);
            pos += length;
            channel->dataReady((control & OtherChannel) ? 1 : 0, message);
        }
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
