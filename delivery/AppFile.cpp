#include "AppFile.h"

#include "AppBinTools.h"
#include "ElfLoading.h"
#include "ErrorHandler.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace {

const QString kSuffix = QStringLiteral(".hapbf");
const QString kOrigin = QStringLiteral("Binary list");
constexpr int kMaximumNameSuffix = 9999;
constexpr qint64 kCopyChunk = 64 * 1024;

void postWarning(const QString &title, const QString &message)
{
    ErrorHandler::instance()->addMessage(halvora::ErrorLevel::Warning, AbstractNotification::HalvoraLab, title, message,
                                         kOrigin, QDateTime::currentDateTime());
}

// Copies the rest of `from` into `to`; false when a read or a write fails.
bool copyRest(QIODevice &from, QIODevice &to)
{
    while (!from.atEnd()) {
        const QByteArray chunk = from.read(kCopyChunk);
        if (chunk.isEmpty() || to.write(chunk) != chunk.size())
            return false;
    }
    return true;
}

QString baseVersionOf(const QString &version)
{
    static const QRegularExpression threeNumbers(QStringLiteral("(\\d+\\.\\d+\\.\\d+)(.*)"));
    static const QRegularExpression twoNumbers(QStringLiteral("(\\d+\\.\\d+)(.*)"));
    QRegularExpressionMatch match = threeNumbers.match(version);
    if (!match.hasMatch())
        match = twoNumbers.match(version);
    return match.hasMatch() ? match.captured(1) : QString();
}

bool isNoBuildId(const QByteArray &buildId)
{
    return buildId == QByteArray(32, '\0') || buildId == QByteArray(32, '0');
}

} // namespace

AppFile::AppFile(QObject *parent, const QString &sourceFile, const QString &appVersion, const QString &buildId,
                 const QString &boardType, quint32 flags, const QString &destinationFolder,
                 const qint32 &boardFirmwareNumber, const qint32 &boardTargetTypeIndex, const QByteArray &boardBuildId,
                 bool selected)
    : QObject(parent)
    , m_appVersionNumber(appVersion)
    , m_buildId(buildId.toLocal8Bit())
    , m_flags(flags)
    , m_flagsLow(flags & 0xF)
    , m_targetTypeIndex(appTargetTypeIndex(boardType))
    , m_selected(selected)
    , m_boardFirmwareNumber(boardFirmwareNumber)
    , m_boardTargetTypeIndex(boardTargetTypeIndex)
    , m_boardBuildId(boardBuildId)
{
    referTo(sourceFile);
    const QFileInfo source(sourceFile);
    // Not every file system records a birth time.
    m_createDate = source.birthTime().isValid() ? source.birthTime() : source.lastModified();

    if (isElfFile(sourceFile)) {
        m_valid = importElf(destinationFolder);
        if (!m_valid)
            postImportFailed();
    } else if (readHeader()) {
        if (!copyInto(destinationFolder)) {
            postImportFailed();
        } else {
            if (m_applicationName.isEmpty())
                m_applicationName = m_fileName.left(m_fileName.lastIndexOf(QLatin1Char('[')));
            m_valid = m_headerVersion >= AppFileHeader::kCurrentVersion || rewriteHeader();
        }
    }
    if (isNoBuildId(m_buildId))
        m_buildId.clear();
}

QString AppFile::fileNameSafe(const QString &text)
{
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    QString safe = text;
    for (QChar &c : safe) {
        if (c.category() == QChar::Other_Control || forbidden.contains(c))
            c = QLatin1Char('_');
    }
    return safe;
}

QString AppFile::sizeText(qint64 bytes)
{
    const double size = double(bytes);
    if (size / (1 << 30) >= 1)
        return QString::number(qRound64(size / (1 << 30))) + QStringLiteral("GB");
    if (size / (1 << 20) >= 1)
        return QString::number(qRound64(size / (1 << 20))) + QStringLiteral("MB");
    return QString::number(qRound64(size / (1 << 10))) + QStringLiteral("KB");
}

void AppFile::referTo(const QString &path)
{
    const QFileInfo info(path);
    m_file.setFileName(path);
    m_filePath = info.absoluteFilePath();
    m_absolutePath = info.absolutePath();
    m_fileName = info.completeBaseName();
    m_fileSizeBytes = info.size();
}

bool AppFile::importElf(const QString &destinationFolder)
{
    const QString stem = destinationFolder + QLatin1Char('/') + m_fileName + QLatin1Char('[')
                         + fileNameSafe(m_appVersionNumber) + QLatin1Char(']');
    QString destination = stem + kSuffix;
    int suffix = 0;
    while (QFileInfo::exists(destination) && suffix < kMaximumNameSuffix)
        destination = stem + QLatin1Char('-') + QString::number(++suffix) + kSuffix;
    if (QFileInfo::exists(destination)) {
        qWarning() << "No free name for the application file" << stem;
        return false;
    }

    m_baseAppVersionNumber = baseVersionOf(m_appVersionNumber);
    m_createDate = QDateTime::currentDateTime();
    m_applicationName = suffix == 0 ? m_fileName : m_fileName + QLatin1Char('-') + QString::number(suffix);

    QFile source(m_filePath);
    QSaveFile target(destination);
    if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly)
        || target.write(header().toBytes()) != AppFileHeader::kCurrentLength || !copyRest(source, target)
        || !target.commit()) {
        qWarning() << "The application file" << destination << "could not be written:" << target.errorString();
        return false;
    }
    referTo(destination);
    m_headerVersion = AppFileHeader::kCurrentVersion;
    m_headerLength = AppFileHeader::kCurrentLength;
    return true;
}

bool AppFile::readHeader()
{
    if (!m_file.open(QIODevice::ReadOnly))
        return false;
    QString error;
    const std::optional<AppFileHeader> read = AppFileHeader::read(m_file, &error);
    m_file.close();
    if (!read) {
        qDebug() << "Not an application file:" << m_filePath << error;
        return false;
    }
    m_baseAppVersionNumber = read->baseVersion;
    m_firmwareNumber = read->firmwareNumber;
    m_flags = read->flags;
    m_flagsLow = read->flagsLow;
    m_createDate = read->createDate;
    m_buildId = read->buildId;
    m_targetTypeIndex = read->targetTypeIndex;
    emit DeviceTypeChanged(getDeviceType());
    m_tags = read->tags;
    m_headerVersion = read->version;
    m_headerLength = read->length;
    const bool namesStored = read->version != 1 && read->version != 2;
    m_appVersionNumber = namesStored ? read->appVersion : read->baseVersion;
    if (namesStored)
        m_applicationName = read->appName;
    return true;
}

bool AppFile::copyInto(const QString &destinationFolder)
{
    if (m_absolutePath == destinationFolder)
        return true;
    const QString version = QLatin1Char('[') + fileNameSafe(m_appVersionNumber) + QLatin1Char(']');
    const QString target = destinationFolder + QLatin1Char('/') + m_fileName
                           + (m_fileName.contains(version) ? QString() : version) + kSuffix;
    if (!QFile::copy(m_filePath, target)) {
        qWarning() << "The application file" << m_filePath << "could not be copied to" << target;
        return false;
    }
    referTo(target);
    m_fileName = QFileInfo(target).fileName();
    return true;
}

AppFileHeader AppFile::header() const
{
    AppFileHeader header;
    header.baseVersion = m_baseAppVersionNumber;
    header.firmwareNumber = m_firmwareNumber;
    header.flags = m_flags;
    header.flagsLow = m_flagsLow;
    header.createDate = m_createDate;
    header.buildId = m_buildId;
    header.targetTypeIndex = m_targetTypeIndex;
    header.tags = m_tags;
    header.appVersion = m_appVersionNumber;
    header.appName = m_applicationName;
    return header;
}

// The new header and the image go to a temporary file that replaces the file only
// when both are written, so a failure leaves the old file as it was, and a header
// shorter than the old one leaves no stale bytes behind the image.
bool AppFile::rewriteHeader()
{
    QFile old(m_filePath);
    QSaveFile target(m_filePath);
    if (!old.open(QIODevice::ReadOnly) || !old.seek(m_headerLength) || !target.open(QIODevice::WriteOnly)
        || target.write(header().toBytes()) != AppFileHeader::kCurrentLength || !copyRest(old, target)
        || !target.commit()) {
        qWarning() << "The header of" << m_filePath << "could not be rewritten:" << target.errorString();
        return false;
    }
    m_headerVersion = AppFileHeader::kCurrentVersion;
    m_headerLength = AppFileHeader::kCurrentLength;
    m_fileSizeBytes = QFileInfo(m_filePath).size();
    return true;
}

void AppFile::postImportFailed()
{
    postWarning(tr("Importing binary failed"), tr("Could not add the binary into the binary list."));
}

void AppFile::refuseFlashing(const QString &message)
{
    postWarning(tr("Binary flashing failed"), message);
}

bool AppFile::getCanBeFlashed() const
{
    const bool otherBoardKind = quint32(m_targetTypeIndex) > 1 && m_boardTargetTypeIndex != 0
                                && m_boardTargetTypeIndex != m_targetTypeIndex;
    const bool firmwareTooNew = m_firmwareNumber < m_boardFirmwareNumber || m_boardFirmwareNumber == -1;
    return !otherBoardKind && !firmwareTooNew;
}

void AppFile::flashAppFile()
{
    if (!m_valid)
        return;
    if (m_firmwareNumber < m_boardFirmwareNumber || m_boardFirmwareNumber == -1) {
        refuseFlashing(tr("The binary coult not be flashed on the connected device due to a incorrect firmware. "
                          "Update the device and try again."));
        return;
    }
    if (quint32(m_targetTypeIndex) > 1 && m_boardTargetTypeIndex != 0 && m_boardTargetTypeIndex != m_targetTypeIndex) {
        refuseFlashing(tr("The binary coult not be flashed on the connected device due to an incompatibility "
                          "problem. The current binary is compiled for a %1 where a %2 is connected. Connect the "
                          "correct device and try again.")
                           .arg(getDeviceType(), appTargetTypeDisplayName(m_boardTargetTypeIndex)));
        return;
    }
    if (QFileInfo(m_filePath).size() != m_fileSizeBytes) {
        refuseFlashing(tr("The binary coult not be flashed due to a corruption a the file."));
        emit RequestDelete(this);
        return;
    }
    m_uploading = true;
    AppBinTools tools;
    const QSharedPointer<QBuffer> image = tools.prepareBinary(m_filePath, m_baseAppVersionNumber, m_flags,
                                                              qint32(m_headerLength));
    if (!image) {
        // Nothing will report on this upload, so it ends here, and the user learns why.
        m_uploading = false;
        refuseFlashing(tr("The ELF image of the binary could not be loaded."));
        return;
    }
    emit FlashAppBinSignal(this, image);
}

void AppFile::deleteAppFile()
{
    deleteWithoutNotify();
    emit RequestDelete(this);
}

void AppFile::deleteWithoutNotify()
{
    if (!QFile::moveToTrash(m_filePath))
        qWarning() << "The application file" << m_filePath << "could not be moved to the trash";
}

void AppFile::deleteAppFromList()
{
    emit RequestDelete(this);
}

void AppFile::setFileName(const QString &newFileName)
{
    const qsizetype slash = m_filePath.lastIndexOf(QLatin1Char('/'));
    qsizetype dot = m_filePath.lastIndexOf(QLatin1Char('.'));
    if (dot < slash)
        dot = m_filePath.size();
    const QString newPath = m_filePath.left(slash + 1) + newFileName + m_filePath.mid(dot);
    // The new name names a file in the same folder, never a path elsewhere.
    const bool plainName = !newFileName.isEmpty() && newFileName != QLatin1String("..")
                           && newFileName != QLatin1String(".") && !newFileName.contains(QLatin1Char('/'))
                           && !newFileName.contains(QChar(0));
    if (!plainName || !QFile::rename(m_filePath, newPath)) {
        postWarning(tr("Binary renaming failed"), tr("Renaming binary file failed. Try again with a different name."));
        return;
    }
    m_file.setFileName(newPath);
    m_filePath = newPath;
    m_fileName = QFileInfo(newPath).completeBaseName();
    emit FileNameChanged(m_fileName);
}

void AppFile::setTag(int index, const QString &newTag)
{
    m_tags[std::size_t(index)] = AppFileHeader::storableTag(newTag);
    if (m_valid)
        rewriteHeader();
    emitTagChanged(index);
}

void AppFile::emitTagChanged(int index)
{
    const QString &tag = m_tags[std::size_t(index)];
    switch (index) {
    case 0:
        emit tag1Changed(tag);
        break;
    case 1:
        emit tag2Changed(tag);
        break;
    case 2:
        emit tag3Changed(tag);
        break;
    default:
        emit tag4Changed(tag);
        break;
    }
}

void AppFile::setSelected(bool state)
{
    if (state == m_selected)
        return;
    m_selected = state;
    emit selectedChanged(state);
}

void AppFile::uploadProgressUpdated(float progress)
{
    if (!m_uploading) {
        m_updateProgress = 0;
        return;
    }
    m_updateProgress = progress;
    emit UploadProgressChanged(progress);
    // Every byte is sent at 1, but only the board's answer ends the upload.
}

void AppFile::uploadStateUpdated(SoftwareUpdate::UpdateState state)
{
    switch (state) {
    case SoftwareUpdate::UpdateFinished:
        m_updateProgress = 1;
        break;
    case SoftwareUpdate::TimedOut:
    case SoftwareUpdate::UpdateError:
    case SoftwareUpdate::AppStillRunning: // the board refused: the upload is over as well
        m_updateProgress = 0;
        break;
    default:
        return;
    }
    emit UploadProgressChanged(m_updateProgress);
    m_uploading = false;
    if (state == SoftwareUpdate::UpdateFinished)
        emit uploadFinished();
}

void AppFile::connectedDeviceUpdated()
{
    emit CanBeFlashedChanged(getCanBeFlashed());
    const bool onBoard = !m_boardBuildId.isEmpty() && !m_buildId.isEmpty() && m_buildId.contains(m_boardBuildId);
    if (onBoard != m_appIsOnZelto) {
        m_appIsOnZelto = onBoard;
        emit IsOnZeltoChanged(onBoard);
    }
}
