#include "OstDeviceLogEntry.h"

#include "LogFileNames.h"
#include "LogHeader.h"
#include "LogParser.h"

#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcLogEntry, "Logs.OstDeviceLogEntry")

namespace {

const QString LogSuffix = QStringLiteral(".hlf");
const QString BoardLogFolder = QStringLiteral("/log/");

// The identity a readable header gives a log; nothing, with the reason, when a key
// is missing or the name it gives could not be used.
struct HeaderIdentity
{
    QString serial;
    QString logFileName;
    int logCounter = 0;
    QDateTime createDate;
};

std::optional<HeaderIdentity> readHeaderIdentity(const QString &path, QString *error)
{
    const std::optional<logheader::Values> values = logheader::read(path, error);
    if (!values)
        return std::nullopt;
    for (const char *key : {"serial", "fileName", "logCounter", "Date", "Time"}) {
        if (!values->contains(QLatin1String(key))) {
            *error = QStringLiteral("The header has no ") + QLatin1String(key);
            return std::nullopt;
        }
    }
    HeaderIdentity identity;
    identity.serial = values->value(QStringLiteral("serial"));
    identity.logFileName = values->value(QStringLiteral("fileName")) + LogSuffix;
    identity.logCounter = values->value(QStringLiteral("logCounter")).toInt();
    identity.createDate = QDateTime::fromString(values->value(QStringLiteral("Date"))
                                                    + values->value(QStringLiteral("Time")),
                                                QStringLiteral("yyyy-MM-ddhh:mm:ss"));
    if (!logname::isSafeComponent(identity.logFileName)) {
        *error = QStringLiteral("The header names the log ") + identity.logFileName;
        return std::nullopt;
    }
    return identity;
}

} // namespace

OstDeviceLogEntry::OstDeviceLogEntry(QObject *parent, const QString &serialNumber, const DirEntry &entry)
    : QObject(parent)
    , m_serialNumber(serialNumber)
    , m_logFileName(entry.name)
    , m_onDevice(true)
    , m_size(entry.size)
{
    takeIdentityFromName(entry.name);
    m_accepted = entry.size > 0 && logname::isSafeComponent(entry.name);
}

OstDeviceLogEntry::OstDeviceLogEntry(QObject *parent, const QString &serialNumber, const QString &path)
    : QObject(parent)
    , m_serialNumber(serialNumber)
    , m_localFile(path)
    , m_localFileAddress(QUrl::fromLocalFile(path))
    , m_size(m_localFile.size())
{
    m_accepted = true;
    if (!m_localFile.exists() || m_size == 0)
        return;
    m_localFileName = QFileInfo(path).fileName();
    QString error;
    const std::optional<HeaderIdentity> header = readHeaderIdentity(path, &error);
    if (!header) {
        qCDebug(lcLogEntry).noquote() << error;
        m_logFileName = m_localFileName;
        takeIdentityFromName(m_localFileName);
        m_localFileValid = false;
        return;
    }
    m_logCounter = header->logCounter;
    m_createDate = header->createDate;
    m_logFileName = header->logFileName;
    m_accepted = header->serial == m_serialNumber;
}

void OstDeviceLogEntry::takeIdentityFromName(const QString &name)
{
    m_logCounter = logname::counter(name);
    m_createDate = logname::creationDate(name);
}

bool OstDeviceLogEntry::hasLocalFile() const
{
    return !m_localFile.fileName().isEmpty() && m_localFile.exists();
}

void OstDeviceLogEntry::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    emit selectedChanged(selected);
}

QString OstDeviceLogEntry::getLocalFileName() const
{
    return hasLocalFile() ? m_localFileName : m_logFileName;
}

QString OstDeviceLogEntry::getModelName() const
{
    return logname::modelName(getLocalFileName());
}

QString OstDeviceLogEntry::getFileSize() const
{
    return logname::sizeText(m_size);
}

// Asked once: the producer removes and deletes the entry on the first request.
void OstDeviceLogEntry::requestRemoval()
{
    if (m_removalRequested)
        return;
    m_removalRequested = true;
    emit RequestRemove(this);
}

void OstDeviceLogEntry::markLocalFileInvalid()
{
    m_localFileValid = false;
    emit validLocalFileChanged(false);
}

bool OstDeviceLogEntry::attachLocalFile(const QString &path)
{
    if (!QFileInfo::exists(path))
        return false;
    QString error;
    const std::optional<HeaderIdentity> header = readHeaderIdentity(path, &error);
    if (header && (header->logFileName != m_logFileName || header->serial != m_serialNumber))
        return false;
    if (!header) {
        qCDebug(lcLogEntry).noquote() << "Error while checking local log file properties:" << error;
        markLocalFileInvalid();
    }
    m_localFileAddress = QUrl::fromLocalFile(path);
    m_localFile.setFileName(path);
    m_localFileName = QFileInfo(path).fileName();
    if (m_localFile.size() != m_size)
        markLocalFileInvalid();
    emit HasLocalFileChanged(hasLocalFile());
    emit FileNameChanged(m_localFileName);
    return true;
}

void OstDeviceLogEntry::setDeviceFileInfo(const std::optional<DirEntry> &entry)
{
    if (entry && qint64(entry->size) != m_size) {
        if (hasLocalFile())
            markLocalFileInvalid();
        m_size = entry->size;
        emit fileSizeChanged();
    }
    if (!entry && !hasLocalFile())
        requestRemoval();
    if (entry.has_value() != m_onDevice) {
        if (entry)
            m_logFileName = entry->name;
        m_onDevice = entry.has_value();
        emit IsOnOstDeviceChanged(m_onDevice);
    }
    // A listing that comes in while the log is being downloaded must not reset the
    // progress of that download.
    if (!m_downloading)
        setDownloadProgress(0);
}

void OstDeviceLogEntry::setDownloadProgress(float progress)
{
    m_downloadProgress = progress;
    emit DownloadProgressChanged(progress);
}

void OstDeviceLogEntry::setQueuedForDownload(bool queued)
{
    m_queuedForDownload = queued;
    emit queuedForDownloadChanged(queued);
}

void OstDeviceLogEntry::finishDownload(bool succeeded)
{
    m_downloading = false;
    if (!succeeded)
        setDownloadProgress(0);
    emit DownloadFinished(succeeded);
}

void OstDeviceLogEntry::downloadLog()
{
    emit DownloadFromOstDevice(m_logFileName);
}

// The board copy counts as gone only once the board confirms the removal (the
// producer then updates the entry); a log that is only here goes at once.
void OstDeviceLogEntry::removeFileOnDevice()
{
    if (m_onDevice && !m_logFileName.isEmpty()) {
        emit RemoveOnOstDevice(BoardLogFolder + m_logFileName);
        return;
    }
    if (!hasLocalFile())
        requestRemoval();
}

void OstDeviceLogEntry::removeLocalFile()
{
    if (hasLocalFile()) {
        if (!m_localFile.moveToTrash()) {
            qCWarning(lcLogEntry) << "Could not move" << m_localFile.fileName()
                                  << "to the trash:" << m_localFile.errorString();
            return;
        }
        m_localFileName.clear();
        m_localFile.setFileName(QString());
        m_localFileAddress.clear();
        m_localFileValid = true;
        emit validLocalFileChanged(true);
    }
    if (m_onDevice)
        emit HasLocalFileChanged(false);
    else
        requestRemoval();
}

bool OstDeviceLogEntry::renameFile(QString newName)
{
    if (!logname::isSafeComponent(newName) || !hasLocalFile())
        return false;
    const QString target = QFileInfo(m_localFile).absolutePath() + QLatin1Char('/') + newName;
    if (!m_localFile.rename(target))
        return false;
    m_localFileName = newName;
    m_localFileAddress = QUrl::fromLocalFile(target);
    emit FileNameChanged(newName);
    return true;
}

// One conversion at a time: a second request while the first runs would have two
// threads write the same MAT-file. The converter goes once its conversion is over.
void OstDeviceLogEntry::parseLog(QString outputFilePath)
{
    if (m_converter) {
        qCDebug(lcLogEntry) << "parsing is still in progress, wait for completion";
        return;
    }
    if (m_localFileAddress.isEmpty() || !hasLocalFile())
        return;
    qCDebug(lcLogEntry) << "Converting" << m_localFileAddress << "into" << outputFilePath;
    m_converter = new LogParser(this);
    connect(m_converter, &LogParser::progressChanged, this, &OstDeviceLogEntry::setParseProgress);
    connect(m_converter, &LogParser::conversionFinished, this, &OstDeviceLogEntry::conversionFinished);
    m_converter->parseLog(m_localFileAddress, QUrl(outputFilePath));
}

void OstDeviceLogEntry::conversionFinished()
{
    if (!m_converter)
        return;
    m_converter->deleteLater();
    m_converter = nullptr;
}

void OstDeviceLogEntry::setParseProgress(float progress)
{
    // 1 ends the conversion: the stored progress goes back to 0 so a new one may start.
    m_parseProgress = progress == 1.0f ? 0.0f : progress;
    emit parseProgressChanged(progress);
}

void OstDeviceLogEntry::setTag1(QString tag)
{
    m_tags[0] = tag;
    emit Tag1Changed(tag);
}

void OstDeviceLogEntry::setTag2(QString tag)
{
    m_tags[1] = tag;
    emit Tag2Changed(tag);
}

void OstDeviceLogEntry::setTag3(QString tag)
{
    m_tags[2] = tag;
    emit Tag3Changed(tag);
}

void OstDeviceLogEntry::setTag4(QString tag)
{
    m_tags[3] = tag;
    emit Tag4Changed(tag);
}
