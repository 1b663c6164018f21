#pragma once

#include "AbstractService.h"

#include "MtScrambler.h"

#include <QBuffer>
#include <QSharedPointer>
#include <QString>
#include <QUrl>

#include <chrono>
#include <cstdint>
#include <memory>

class QTimer;

using SharedBinaryPtr = QSharedPointer<QBuffer>;

// Uploads one binary at a time to a board over channel 4: the board's firmware, the
// firmware of its Wi-Fi module, or an application binary. The upload is announced
// with its size and checksum, then sent in chunks, one for each acknowledgement of
// the board. An application binary is preceded by a seed exchange, and its chunks
// are scrambled with the seed. After a Wi-Fi module upload the module's version is
// polled until the board reports it verified.
class SoftwareUpdate : public AbstractService
{
    Q_OBJECT

public:
    static constexpr DatalinkChannelId Channel = 4;
    // The largest chunk: one packet frame's payload.
    static constexpr qsizetype ChunkSize = 1018;
    static constexpr std::chrono::milliseconds DefaultVersionPollInterval{5000};

    enum UpdateCommand : uint8_t {
        NoUpdate = 0,
        BoardFirmware = 1,
        ApplicationBinary = 2, // with the seed exchange and scrambling
        WifiModuleFirmware = 3,
    };
    Q_ENUM(UpdateCommand)

    enum UpdateState : uint8_t {
        Started = 0,
        BinaryLoaded = 1,
        SeedRequested = 2,
        UpdateCommandSend = 3,
        SendBinaryData = 4,
        UpdateFinished = 5,
        UpdateVerified = 6, // never set by the service itself
        TimedOut = 7,
        UpdateError = 8,
        AppStillRunning = 9,
    };
    Q_ENUM(UpdateState)

    SoftwareUpdate(QObject *parent, DatalinkManager *manager);
    ~SoftwareUpdate() override;

    UpdateState state() const { return m_state; }
    UpdateCommand command() const { return UpdateCommand(m_command); }
    // The size of the binary after padding, and its checksum.
    uint32_t size() const { return m_size; }
    uint32_t crc() const { return m_crc; }
    bool isPollingWifiModuleVersion() const;

    // How often the Wi-Fi module's version is asked for after its upload.
    void setVersionPollInterval(std::chrono::milliseconds interval) { m_pollInterval = interval; }

public slots:
    void dataReady(QByteArray packet) override;
    void start() override {}
    void pause() override {}
    void initialize() override;
    void errorString(QString) {}
    void pollESPVersion();

    // The entry points. Each starts afresh and abandons an upload in progress.
    // The command is taken from the file's extension ("fwb", "apb", "feb"); cmd is not used.
    int startUpdateFromFile(QUrl binaryUrl, SoftwareUpdate::UpdateCommand cmd);
    int startUpdateFromMemory(QSharedPointer<QBuffer> binary, SoftwareUpdate::UpdateCommand cmd);
    int startUpdate();
    int startSimBuild(QSharedPointer<QBuffer> binary);

    int loadBinary(QUrl fileName);
    int requestSeed();
    int initSendBinary();
    int initUpdateCMD();
    int sendBinary();

signals:
    void UpdateProgressChanged(float value);
    void UpdateStateChanged(SoftwareUpdate::UpdateState value);
    void SetVersionESPReceived(bool verified, QString versionNumber);
    void AddToAutoConnect();

private:
    void setState(UpdateState state);
    void takeBinary(QSharedPointer<QBuffer> binary);
    void padBinary();
    void stopVersionPolling();
    void notifyFailure(const QString &message, const QString &origin) const;
    void handleVersionReply(QByteArrayView payload);

    QSharedPointer<QBuffer> m_binary;
    uint8_t m_fileType = NoUpdate;
    uint8_t m_command = NoUpdate;
    uint32_t m_size = 0;
    QTimer *m_pollTimer = nullptr;
    std::chrono::milliseconds m_pollInterval = DefaultVersionPollInterval;
    QString m_title;
    uint32_t m_crc = 0;
    uint8_t m_lastLoggedPercentage = 0;
    UpdateState m_state = Started;
    uint8_t m_progressPercentage = 0;
    std::unique_ptr<MtScrambler> m_scrambler;
    uint32_t m_mode = 0;
    uint32_t m_seed = 0;
    uint32_t m_remaining = 0;
    uint32_t m_currentChunkLength = 0;
};

Q_DECLARE_METATYPE(SharedBinaryPtr)
