// The whole Wi-Fi receive path as one chain: stream bytes and encrypted datagrams go
// into a Wi-Fi datalink (without sockets), through its recombiners into a datalink
// manager, and on to the link protocol and every channel service of a board. The
// input is a run of board records (FuzzBoardBytes.h); of the harness's bits of a
// record's control byte, the lowest sends it as a datagram instead of on the stream,
// and the next sends that datagram as it is instead of encrypting it under the key.

#include "ControlChannel.h"
#include "DatalinkManager.h"
#include "ErrorChannel.h"
#include "ExternalMode.h"
#include "FileControlChannel.h"
#include "FuzzBoardBytes.h"
#include "SoftwareUpdate.h"
#include "WifiDatalink.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

namespace {

void discardMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

enum HarnessBits : uint8_t {
    AsDatagram = 0x01,
    NotEncrypted = 0x02,
};

QByteArray key()
{
    QByteArray bytes(32, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i);
    return bytes;
}

// The queued hand-overs of the chain (recombiner to datalink, manager to link
// protocol) run until nothing is left.
void deliverQueued()
{
    for (int round = 0; round < 8; ++round)
        QCoreApplication::sendPostedEvents();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qInstallMessageHandler(discardMessages);
    // Timers, queued connections and the notification list need an application object.
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    {
        // A board pads its datagrams with zero bytes up to the block.
        const AesFileEncryption cipher(AesFileEncryption::Aes256, AesFileEncryption::Cbc,
                                       AesFileEncryption::ZeroPadding);
        const QByteArray aesKey = key();
        const QByteArray aesIv = aesKey.left(16);

        DatalinkManager manager;
        auto *link = new WifiDatalink(nullptr, QHostAddress(QStringLiteral("127.0.0.2")), true, true);
        manager.addDatalink(link); // the manager owns it from here
        link->setAesKeys(aesKey, aesIv);
        ControlChannel control(&manager, 1, true, &manager);
        ErrorChannel errors(&manager, 6, true, &manager);
        errors.setLogLevel(2);
        SoftwareUpdate update(&manager, &manager);
        update.initialize();
        ExternalMode bridge(&manager, &manager);
        FileControlChannel files(&manager, &manager);

        for (const fuzzboard::Record &record : fuzzboard::records(data, size)) {
            const QByteArray bytes = fuzzboard::boardBytes(record);
            if (!(record.harnessBits() & AsDatagram))
                link->receiveStreamBytes(bytes);
            else if (record.harnessBits() & NotEncrypted)
                link->receiveDatagram(bytes);
            else
                link->receiveDatagram(cipher.encode(bytes, aesKey, aesIv));
            deliverQueued();
        }
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
