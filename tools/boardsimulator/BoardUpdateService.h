#pragma once

#include "BoardChannel.h"
#include "BoardUnscrambler.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <optional>

// The board's update service on channel 4. It hands out a seed, takes an upload
// announced with its size and checksum, acknowledges the announcement and every
// chunk, undoes the scrambling of application chunks, and checks size and CRC-32 of
// the whole image before it reports the upload finished (or failed). It answers the
// Wi-Fi module version request, reporting the module verified after a number of polls.
//
// The chunks carry no header: while an upload runs, a payload is a chunk unless it
// is a whole command message of another length than the chunk expected next.
class BoardUpdateService : public BoardChannel
{
    Q_OBJECT

public:
    static constexpr uint16_t Number = 4;
    static constexpr qsizetype ChunkSize = 1018;
    // A firmware image names its version after this mark (up to 16 characters, ended
    // by a zero byte, a line break or the end of the image).
    static constexpr char VersionMark[] = "ZELTO-FW-VERSION:";

    // The version an image names; empty when it names none.
    static QByteArray versionInImage(const QByteArray &image);

    // Message types, as on the wire.
    enum Type : uint32_t {
        SeedMessage = 1,
        FirmwareMessage = 2,
        ApplicationMessage = 3,
        WifiModuleMessage = 4,
        Finished = 5,
        Failed = 6,
        TimedOut = 7,
        WifiModuleVersion = 8,
        ApplicationRunning = 9,
    };

    // What the board does instead of an acknowledgement, to test how the host copes.
    enum class Fault {
        None,
        Fail,               // type 6
        TimeOut,            // type 7
        ApplicationRunning, // type 9
        Silent,             // no answer at all
    };

    // The outcome of an upload, once all of it has arrived.
    struct Upload
    {
        uint32_t kind = 0; // the start command's type: 2, 3 or 4
        uint32_t declaredSize = 0;
        uint32_t declaredCrc = 0;
        QByteArray image;      // unscrambled
        bool accepted = false; // size and checksum agree with the announcement
    };

    explicit BoardUpdateService(BoardSimulator *board);

    void handleMessage(BoardLink *link, const QByteArray &payload, bool reliable) override;

    // The seed reply's fields; mode 1 is the only scrambling mode.
    void setSeed(uint32_t mode, uint32_t seed);
    // The fault replaces the reply after the given number of chunks (0: the reply to
    // the start command).
    void setFault(Fault fault, int afterChunks = 0);
    void setWifiModuleVersion(const QByteArray &version) { m_wifiModuleVersion = version; }
    // Version requests answered "not verified" after a Wi-Fi module upload before the
    // module counts as verified.
    void setWifiModuleUnverifiedPolls(int polls) { m_unverifiedPolls = polls; }

    bool isReceiving() const { return m_receiving; }
    const QList<Upload> &uploads() const { return m_uploads; }
    int versionRequests() const { return m_versionRequests; }
    int seedRequests() const { return m_seedRequests; }

signals:
    void uploadCompleted(BoardUpdateService::Upload upload);

private:
    static std::optional<uint32_t> commandType(const QByteArray &payload);
    void reply(BoardLink *link, uint32_t type, const QByteArray &payload = QByteArray());
    // Sends the fault when it is due at this point; true when it was sent.
    bool replyWithFault(BoardLink *link);
    void handleCommand(BoardLink *link, uint32_t type, const QByteArray &payload);
    void handleChunk(BoardLink *link, const QByteArray &chunk);
    // The board runs the new image after its restart: it reports the image's
    // version, the operating system unverified until the host verifies it.
    void install(const Upload &upload);

    uint32_t m_mode = 1;
    uint32_t m_seed = 0x5EED1234u;
    Fault m_fault = Fault::None;
    int m_faultAfterChunks = 0;
    QByteArray m_wifiModuleVersion = "1.4.2";
    int m_unverifiedPolls = 0;
    int m_pollsSinceModuleUpload = 0;
    bool m_moduleUploaded = false;

    bool m_receiving = false;
    bool m_unscramble = false;
    int m_chunks = 0;
    Upload m_current;
    BoardUnscrambler m_unscrambler;
    QList<Upload> m_uploads;
    int m_versionRequests = 0;
    int m_seedRequests = 0;
};
