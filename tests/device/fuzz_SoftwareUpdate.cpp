// Feeds update-protocol messages to the update service in every kind of upload. The
// input starts with a byte that picks the upload (firmware, application binary with
// its seed exchange, Wi-Fi module) and the binary's length; then come records: a
// control byte, a length byte and the message bytes. The control byte can give the
// message the right magic and a length field that fits, so that most messages reach
// the readers of their type.

#include "DatalinkManager.h"
#include "SoftwareUpdate.h"

#include <QCoreApplication>
#include <QtEndian>

#include <cstddef>
#include <cstdint>

namespace {

void discardMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

enum Control : uint8_t {
    FixMagic = 0x01,
    FixLength = 0x02,
};

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
    if (size < 1)
        return 0;
    {
        DatalinkManager manager;
        SoftwareUpdate service(nullptr, &manager);
        service.initialize();
        auto binary = QSharedPointer<QBuffer>::create();
        binary->open(QIODevice::ReadWrite);
        binary->write(QByteArray(1 + (data[0] >> 2) * 97, 'b'));
        switch (data[0] & 3) {
        case 0:
            service.startUpdateFromMemory(binary, SoftwareUpdate::BoardFirmware);
            break;
        case 1:
            service.startSimBuild(binary);
            break;
        default:
            service.startUpdateFromMemory(binary, SoftwareUpdate::WifiModuleFirmware);
            break;
        }
        size_t pos = 1;
        while (pos + 2 <= size) {
            const uint8_t control = data[pos];
            const size_t length = std::min<size_t>(data[pos + 1], size - pos - 2);
            pos += 2;
            QByteArray message(reinterpret_cast<const char *>(data + pos), qsizetype(length));
            pos += length;
            if ((control & FixMagic) && message.size() >= 4)
                qToLittleEndian<uint32_t>(0xDDCCBBAAu, message.data());
            if ((control & FixLength) && message.size() >= 12)
                qToLittleEndian<uint32_t>(uint32_t(message.size() - 12), message.data() + 8);
            emit manager.DataReady(SoftwareUpdate::Channel, message);
        }
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
