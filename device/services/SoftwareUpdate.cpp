#include "SoftwareUpdate.h"

#include "ByteReader.h"
#include "ErrorHandler.h"
#include "LinkCrc.h"
#include "UpdateMessage.h"

#include <QDateTime>
#include <QFile>
#include <QLoggingCategory>
#include <QTimer>

#include <limits>

Q_LOGGING_CATEGORY(lcSoftwareUpdate, "Device.SoftwareUpdate")

using namespace updatemessage;

namespace {

uint32_t u32At(QByteArrayView bytes, qsizetype offset)
{
    return qFromLittleEndian<uint32_t>(bytes.data() + offset);
}

} // namespace

SoftwareUpdate::SoftwareUpdate(QObject *parent, DatalinkManager *manager)
    : AbstractService(parent, Channel, true, manager)
{
    qRegisterMetaType<SharedBinaryPtr>("SharedBinaryPtr");
}

SoftwareUpdate::~SoftwareUpdate() = default;

bool SoftwareUpdate::isPollingWifiModuleVersion() const
{
    return m_pollTimer && m_pollTimer->isActive();
}

void SoftwareUpdate::initialize()
{
    qRegisterMetaType<SoftwareUpdate::UpdateCommand>("SoftwareUpdate::UpdateCommand");
    m_mode = 0;
    m_seed = 0;
    m_crc = 0;
    m_lastLoggedPercentage = 0;
    m_fileType = NoUpdate;
    m_command = NoUpdate;
    m_size = 0;
    setState(Started);
    m_progressPercentage = 0;
    emit UpdateProgressChanged(0.0f);
}

void SoftwareUpdate::setState(UpdateState state)
{
    m_state = state;
    emit UpdateStateChanged(state);
}

void SoftwareUpdate::takeBinary(QSharedPointer<QBuffer> binary)
{
    m_binary = std::move(binary);
    padBinary();
    m_size = uint32_t(m_binary->data().size());
}

// Zero bytes up to a whole number of words, always at the end of the binary, wherever
// the caller left the buffer's position.
void SoftwareUpdate::padBinary()
{
    QByteArray &data = m_binary->buffer();
    if (const qsizetype rest = data.size() % 4)
        data.append(QByteArray(4 - rest, '\0'));
}

void SoftwareUpdate::stopVersionPolling()
{
    delete m_pollTimer;
    m_pollTimer = nullptr;
}

int SoftwareUpdate::startUpdateFromMemory(QSharedPointer<QBuffer> binary, SoftwareUpdate::UpdateCommand cmd)
{
    initialize();
    if (!binary || binary->data().size() > std::numeric_limits<uint32_t>::max() - 3) {
        qCWarning(lcSoftwareUpdate) << "No binary to upload";
        setState(UpdateError);
        return -1;
    }
    takeBinary(std::move(binary));
    setState(BinaryLoaded);
    m_command = cmd;
    return startUpdate();
}

int SoftwareUpdate::startSimBuild(QSharedPointer<QBuffer> binary)
{
    initialize();
    m_command = ApplicationBinary;
    qCDebug(lcSoftwareUpdate) << "simbuild started";
    if (!binary || binary->data().size() > std::numeric_limits<uint32_t>::max() - 3) {
        qCWarning(lcSoftwareUpdate) << "No binary to upload";
        setState(UpdateError);
        return -1;
    }
    takeBinary(std::move(binary));
    setState(BinaryLoaded);
    stopVersionPolling();
    requestSeed();
    setState(SeedRequested);
    qCDebug(lcSoftwareUpdate) << "seed requested";
    return 0;
}

int SoftwareUpdate::startUpdateFromFile(QUrl binaryUrl, SoftwareUpdate::UpdateCommand)
{
    initialize();
    auto buffer = QSharedPointer<QBuffer>::create();
    buffer->open(QIODevice::ReadWrite);
    m_binary = buffer;
    // A file that cannot be read is a failed upload: nothing is announced to the board.
    if (loadBinary(binaryUrl) != 0) {
        setState(UpdateError);
        return -1;
    }
    setState(BinaryLoaded);
    m_command = m_fileType;
    return startUpdate();
}

int SoftwareUpdate::loadBinary(QUrl fileName)
{
    const QString path = fileName.isLocalFile() ? fileName.toLocalFile() : fileName.toString();
    const QString text = fileName.toString();
    const QString extension = text.mid(text.lastIndexOf(QLatin1Char('.')) + 1);
    if (extension == QLatin1String("apb")) {
        m_fileType = ApplicationBinary;
    } else if (extension == QLatin1String("fwb")) {
        m_fileType = BoardFirmware;
    } else if (extension == QLatin1String("feb")) {
        m_fileType = WifiModuleFirmware;
    } else {
        qCCritical(lcSoftwareUpdate) << "Error: " << fileName << " > Unknown extension";
        return -1;
    }
    QFile file(path);
    if (!file.exists()) {
        qCCritical(lcSoftwareUpdate) << "Error: " << fileName << " > No such file";
        return -1;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        qCCritical(lcSoftwareUpdate) << "Error: " << fileName << " >" << file.errorString();
        return -1;
    }
    if (!m_binary)
        m_binary = QSharedPointer<QBuffer>::create();
    m_binary->buffer() = file.readAll();
    if (m_binary->data().size() > std::numeric_limits<uint32_t>::max() - 3) {
        qCCritical(lcSoftwareUpdate) << "Error: " << fileName << " > File too large";
        return -1;
    }
    padBinary();
    m_size = uint32_t(m_binary->data().size());
    return 0;
}

int SoftwareUpdate::startUpdate()
{
    stopVersionPolling();
    switch (m_command) {
    case NoUpdate:
        return -1;
    case ApplicationBinary:
        requestSeed();
        setState(SeedRequested);
        return 0;
    case BoardFirmware:
    case WifiModuleFirmware:
        initUpdateCMD();
        setState(UpdateCommandSend);
        return 0;
    default:
        return 0;
    }
}

int SoftwareUpdate::requestSeed()
{
    sendPayload(build(SeedRequest));
    return 0;
}

int SoftwareUpdate::initSendBinary()
{
    if (m_binary)
        m_binary->seek(0);
    m_remaining = m_size;
    setState(SendBinaryData);
    return 0;
}

int SoftwareUpdate::initUpdateCMD()
{
    uint32_t type = 0;
    switch (m_command) {
    case BoardFirmware:
        m_title = QStringLiteral("Upload firmware failed");
        type = StartFirmware;
        break;
    case ApplicationBinary:
        m_title = QStringLiteral("Upload binary failed");
        type = StartApplication;
        break;
    case WifiModuleFirmware:
        m_title = QStringLiteral("Upload firmware failed");
        type = StartWifiModule;
        stopVersionPolling();
        m_pollTimer = new QTimer(this);
        connect(m_pollTimer, &QTimer::timeout, this, &SoftwareUpdate::pollESPVersion);
        break;
    default:
        return -1;
    }
    if (!m_binary)
        return -1;
    m_lastLoggedPercentage = 0;

    // The checksum runs over the binary piece by piece, without a copy of it.
    const QByteArray &data = m_binary->data();
    uint32_t crc = 0xFFFFFFFFu;
    for (qsizetype offset = 0; offset < data.size(); offset += ChunkSize)
        crc = computeCrc32(crc, data.constData() + offset, size_t(qMin(ChunkSize, data.size() - offset)));
    m_crc = crc;

    m_remaining = m_size;
    setState(SendBinaryData);

    QByteArray payload(StartPayload::Size, Qt::Uninitialized);
    qToLittleEndian<uint32_t>(m_size, payload.data() + StartPayload::ImageSize);
    qToLittleEndian<uint32_t>(m_crc, payload.data() + StartPayload::Crc);
    sendPayload(build(type, payload));
    return 0;
}

int SoftwareUpdate::sendBinary()
{
    if (!m_binary)
        return -1;
    if (m_remaining > 0) {
        m_currentChunkLength = uint32_t(qMin<qsizetype>(m_remaining, ChunkSize));
        QByteArray chunk = m_binary->data().sliced(m_size - m_remaining, m_currentChunkLength);
        // The scrambler changes only chunks of whole words, and only in the seed's mode;
        // the board undoes exactly that.
        if (m_command == ApplicationBinary && m_scrambler)
            m_scrambler->scramble(chunk.data(), uint32_t(chunk.size()), int(m_mode));
        sendPayload(chunk);
        m_remaining -= m_currentChunkLength;
        const float percentage = float(m_size - m_remaining) * (100.0f / float(m_size));
        m_progressPercentage = uint8_t(qBound(0, int(percentage), 100));
        emit UpdateProgressChanged(float(m_progressPercentage) / 100.0f);
    } else {
        m_progressPercentage = 100;
        emit UpdateProgressChanged(1.0f);
    }
    if (m_progressPercentage > m_lastLoggedPercentage) {
        qCDebug(lcSoftwareUpdate).nospace() << "[" << m_progressPercentage << "% ]";
        m_lastLoggedPercentage = m_progressPercentage;
    }
    return 0;
}

void SoftwareUpdate::pollESPVersion()
{
    sendPayload(build(WifiModuleVersionRequest));
}

void SoftwareUpdate::dataReady(QByteArray packet)
{
    if (packet.size() < Header::Size || u32At(packet, Header::Magic) != Magic)
        return;
    const uint32_t type = u32At(packet, Header::Type);
    const qint64 length = u32At(packet, Header::Length);
    if (packet.size() < Header::Size + length)
        return;
    const QByteArrayView payload = QByteArrayView(packet).sliced(Header::Size);
    if (m_state == TimedOut || type < SeedReply || type > ApplicationRunning)
        return;

    switch (type) {
    case SeedReply:
        if (packet.size() != Header::Size + length || payload.size() < SeedPayload::Size || m_state != SeedRequested)
            return;
        m_mode = u32At(payload, SeedPayload::Mode);
        m_seed = u32At(payload, SeedPayload::Seed);
        m_scrambler = std::make_unique<MtScrambler>();
        m_scrambler->setMode(int(m_mode));
        m_scrambler->seed(m_seed);
        if (initUpdateCMD() == 0)
            setState(UpdateCommandSend);
        break;
    case AckFirmware:
    case AckApplication:
    case AckWifiModule:
        if (m_state == UpdateCommandSend)
            setState(SendBinaryData);
        if (m_state == SendBinaryData)
            sendBinary();
        break;
    case UploadFinished:
        emit AddToAutoConnect();
        if (m_state == SendBinaryData) {
            setState(UpdateFinished);
            qCDebug(lcSoftwareUpdate) << "Update finished";
            if (m_command == WifiModuleFirmware && m_pollTimer)
                m_pollTimer->start(m_pollInterval);
        }
        break;
    case UploadFailed:
        setState(UpdateError);
        notifyFailure(QStringLiteral("Uploading failed due to n unkown error. Try again."),
                      QStringLiteral("Binary uploader"));
        break;
    case BoardTimedOut:
        setState(TimedOut);
        notifyFailure(QStringLiteral("Uploading failed due to a timeout. Try again."),
                      QStringLiteral("Binary uploader"));
        qCDebug(lcSoftwareUpdate) << "Update timed out";
        break;
    case WifiModuleVersion:
        handleVersionReply(payload);
        break;
    case ApplicationRunning:
        setState(AppStillRunning);
        notifyFailure(
            QStringLiteral("Application is still running. Stop the application before uploading new binaries"),
            QStringLiteral("Binary uploaders"));
        break;
    default:
        break;
    }
}

void SoftwareUpdate::handleVersionReply(QByteArrayView payload)
{
    if (payload.size() < 4)
        return;
    const bool verified = u32At(payload, VersionPayload::Verified) == 1;
    // The version is the last 16 bytes; a shorter reply holds less after its flag,
    // and the flag is never read as text. Zero bytes pad the text.
    const qsizetype textLength = qMin(VersionPayload::TextLength, payload.size() - 4);
    QByteArrayView text = payload.last(textLength);
    if (const qsizetype end = text.indexOf('\0'); end >= 0)
        text = text.first(end);
    const QString version = QString::fromUtf8(text);
    qCDebug(lcSoftwareUpdate) << "ESP version: " << version << (verified ? "Verified" : "Not verified.");
    if (verified) {
        if (m_pollTimer)
            m_pollTimer->stop();
        emit SetVersionESPReceived(true, version);
    }
}

void SoftwareUpdate::notifyFailure(const QString &message, const QString &origin) const
{
    ErrorHandler::instance()->addMessage(halvora::ErrorLevel::Warning, AbstractNotification::HalvoraLab, m_title,
                                         message, origin, QDateTime::currentDateTimeUtc());
}
