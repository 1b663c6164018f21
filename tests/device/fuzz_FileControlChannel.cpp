// Feeds file-service replies to the file service, with a download into a file running
// or not. The input is a run of records: a control byte, a 16-bit length and the
// payload bytes. The control byte can make the payload's length field fit the
// payload, so that most replies get past the collection and reach their readers, and
// can start a download before the payload arrives.

#include "DatalinkManager.h"
#include "FileControlChannel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstddef>
#include <cstdint>

namespace {

void discardMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

enum Control : uint8_t {
    FixLength = 0x01,
    StartDownload = 0x02,
    ParseAsListing = 0x04,
};

QString outputPath()
{
    static QTemporaryDir folder;
    return folder.filePath("download.bin");
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
    QFile::remove(outputPath());
    {
        DatalinkManager manager;
        FileControlChannel service(nullptr, &manager);
        size_t pos = 0;
        while (pos + 3 <= size) {
            const uint8_t control = data[pos];
            const size_t length = std::min<size_t>(qFromLittleEndian<uint16_t>(data + pos + 1), size - pos - 3);
            pos += 3;
            QByteArray payload(reinterpret_cast<const char *>(data + pos), qsizetype(length));
            pos += length;
            if ((control & FixLength) && payload.size() >= 4)
                qToLittleEndian<uint32_t>(uint32_t(payload.size()), payload.data());
            if (control & StartDownload) {
                QFile::remove(outputPath());
                service.downloadFile("/logs/f.hlf", outputPath());
            }
            if (control & ParseAsListing)
                FileControlChannel::parseDirEntries(payload);
            emit manager.DataReady(FileControlChannel::Channel, payload);
        }
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
