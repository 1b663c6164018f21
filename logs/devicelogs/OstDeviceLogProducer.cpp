#include "OstDeviceLogProducer.h"

#include "ApplicationFolders.h"
#include "ExtendedDeviceTypeName.h"
#include "LogFileNames.h"
#include "LogHeader.h"
#include "Zelto.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QQmlEngine>

#include <cmath>
#include <limits>

Q_LOGGING_CATEGORY(lcLogProducer, "Logs.OstDeviceLogProducer")

namespace {

const QString LogSuffix = QStringLiteral(".hlf");
const QString DeviceTypeFileName = QStringLiteral(".deviceType.json");

} // namespace

OstDeviceLogProducer::OstDeviceLogProducer(QObject *parent, const QString &serialNumber)
    : QObject(parent)
    , m_serialNumber(serialNumber)
{
    registerQmlTypes();
    connect(this, &OstDeviceLogProducer::QueryZeltoDownloadLog, this, &OstDeviceLogProducer::sendDownloadRequest,
            Qt::QueuedConnection);
    // The serial comes from a board or from a log's header: it names a folder only
    // when it cannot lead out of "LogData".
    if (!logname::isSafeComponent(serialNumber)) {
        qCWarning(lcLogProducer) << "Refusing the board serial" << serialNumber << "as a log folder name";
        return;
    }
    const std::optional<QDir> folder = ApplicationFolders::instance().subFolder(ApplicationFolders::HomeFolder,
                                                                                "LogData/" + serialNumber.toUtf8());
    if (!folder)
        return;
    m_folder = *folder;
    m_typeFile.setFileName(m_folder.filePath(DeviceTypeFileName));

    m_entries = new EntryList(this, {}, QByteArrayLiteral("fileName"));
    m_sorted = new QSortFilterProxyModel(this);
    m_sorted->setSourceModel(m_entries);
    m_sorted->setSortRole(m_entries->roleForName(QByteArrayLiteral("createDate")));
    m_sorted->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_sorted->sort(0, Qt::DescendingOrder);
    for (const QString &path : localLogFiles())
        addLocalLogFile(path);
    emit LogListChanged();
    m_valid = true;
}

OstDeviceLogProducer::~OstDeviceLogProducer()
{
    if (m_pendingDownload)
        QFile::remove(m_pendingDownload->partPath);
    if (!m_valid)
        return;
    const QStringList left = m_folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    if (left == QStringList{DeviceTypeFileName})
        m_typeFile.remove();
    // Succeeds only when nothing else is left in it.
    m_folder.rmdir(m_folder.absolutePath());
}

void OstDeviceLogProducer::registerQmlTypes()
{
    static const bool registered = [] {
        qmlRegisterType<EntryList>("com.ostrel", 1, 0, "OstDeviceLogEntryList");
        qRegisterMetaType<EntryList *>("OstDeviceLogEntryList*");
        qmlRegisterUncreatableType<OstDeviceLogEntry>("com.ostrel", 1, 0, "OstDeviceLogEntry",
                                                      QStringLiteral("type is private"));
        return true;
    }();
    Q_UNUSED(registered)
}

QStringList OstDeviceLogProducer::localLogFiles() const
{
    QStringList paths;
    const QFileInfoList files = m_folder.entryInfoList({QStringLiteral("*.hlf")},
                                                       QDir::Files | QDir::Readable | QDir::Writable, QDir::NoSort);
    for (const QFileInfo &file : files)
        paths << file.absoluteFilePath();
    return paths;
}

float OstDeviceLogProducer::usedStorage() const
{
    if (m_totalStorage == 0 && m_freeStorage == 0)
        return std::numeric_limits<float>::quiet_NaN();
    return float((double(m_totalStorage) - double(m_freeStorage)) / double(m_totalStorage));
}

QString OstDeviceLogProducer::deviceType() const
{
    const QString unknown = extendedDeviceTypeName(ostdevice::ReadError);
    if (m_board)
        return extendedDeviceTypeName(m_board->extendedDeviceType());
    if (m_typeFile.fileName().isEmpty() || !m_typeFile.exists())
        return unknown;
    return readDeviceInfo(QLatin1String(DeviceTypeKey), unknown).toString();
}

float OstDeviceLogProducer::currentDownloadProgress() const
{
    return m_currentDownload ? m_currentDownload->getDownloadProgress() : 0.0f;
}

QList<OstDeviceLogEntry *> OstDeviceLogProducer::entries() const
{
    QList<OstDeviceLogEntry *> listed;
    for (int row = 0; m_entries && row < m_entries->count(); ++row)
        listed << m_entries->at(row);
    return listed;
}

OstDeviceLogEntry *OstDeviceLogProducer::findEntry(const QString &logFileName) const
{
    for (OstDeviceLogEntry *entry : entries()) {
        if (entry->logFileName() == logFileName)
            return entry;
    }
    return nullptr;
}

OstDeviceLogEntry *OstDeviceLogProducer::addLocalLogFile(const QString &path)
{
    if (!m_entries)
        return nullptr;
    QString name = readLogHeaderValue(path, QStringLiteral("fileName")) + LogSuffix;
    if (name == LogSuffix) {
        name = QFileInfo(path).fileName();
        if (!name.endsWith(LogSuffix))
            return nullptr;
    }
    OstDeviceLogEntry *entry = findEntry(name);

    QString target = path;
    bool copied = false;
    if (QFileInfo(path).absolutePath() != m_folder.absolutePath()) {
        target = m_folder.filePath(QFileInfo(path).fileName());
        if (!QFile::copy(path, target))
            return nullptr;
        copied = true;
    }
    OstDeviceLogEntry *holder = entry ? (entry->attachLocalFile(target) ? entry : nullptr) : addLocalEntry(target);
    // Only a copy made here is taken back; a file that was in the folder already
    // belongs to the user and stays.
    if (!holder && copied)
        QFile::moveToTrash(target);
    return holder;
}

OstDeviceLogEntry *OstDeviceLogProducer::addDeviceEntry(const DirEntry &entry)
{
    return listEntry(new OstDeviceLogEntry(this, m_serialNumber, entry));
}

OstDeviceLogEntry *OstDeviceLogProducer::addLocalEntry(const QString &path)
{
    return listEntry(new OstDeviceLogEntry(this, m_serialNumber, path));
}

OstDeviceLogEntry *OstDeviceLogProducer::listEntry(OstDeviceLogEntry *entry)
{
    if (!entry->isAccepted() || !m_entries) {
        delete entry;
        return nullptr;
    }
    int row = 0;
    while (row < m_entries->count() && m_entries->at(row)->logCounter() <= entry->logCounter())
        ++row;
    m_entries->insert(row, entry);
    connect(entry, &OstDeviceLogEntry::RequestRemove, this, &OstDeviceLogProducer::removeLog, Qt::QueuedConnection);
    connect(entry, &OstDeviceLogEntry::DownloadFromOstDevice, this, &OstDeviceLogProducer::startOstDeviceDownloadLog);
    connect(entry, &OstDeviceLogEntry::RemoveOnOstDevice, this, &OstDeviceLogProducer::QueryZeltoFileRemove);
    connect(entry, &OstDeviceLogEntry::RenameOnOstDevice, this, &OstDeviceLogProducer::QueryZeltoFileRename);
    return entry;
}

QVariant OstDeviceLogProducer::readDeviceInfo(const QString &key, const QVariant &defaultValue) const
{
    QFile file(m_typeFile.fileName());
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly))
        return defaultValue;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    if (!document.isObject() || !document.object().contains(key))
        return defaultValue;
    return document.object().value(key).toVariant();
}

bool OstDeviceLogProducer::writeDeviceInfo(const QString &key, const QVariant &value)
{
    QJsonObject object;
    QFile file(m_typeFile.fileName());
    if (file.fileName().isEmpty())
        return false;
    if (file.open(QIODevice::ReadOnly)) {
        object = QJsonDocument::fromJson(file.readAll()).object();
        file.close();
    }
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    object.insert(key, QJsonValue::fromVariant(value));
    file.write(QJsonDocument(object).toJson(QJsonDocument::Indented));
    file.close();
    return true;
}

void OstDeviceLogProducer::initLocalLogs()
{
    if (!m_valid)
        return;
    for (const QString &path : localLogFiles())
        addLocalLogFile(path);
    emit LogListChanged();
}

void OstDeviceLogProducer::removeLog(OstDeviceLogEntry *self)
{
    if (!m_entries)
        return;
    m_entries->remove(self);
    if (self)
        self->deleteLater();
    if (m_pendingRemovals > 0 && --m_pendingRemovals > 0)
        return;
    emit LogListChanged();
    if (!m_board && m_entries->count() == 0)
        emit RequestRemove(this);
}

void OstDeviceLogProducer::removeAllLocalLogs()
{
    for (OstDeviceLogEntry *entry : entries())
        entry->removeLocalFile();
}

void OstDeviceLogProducer::setSortColumn(QByteArray columnName, Qt::SortOrder order)
{
    if (!m_sorted)
        return;
    const int role = m_entries->roleForName(columnName);
    m_sorted->setSortRole(role < 0 ? Qt::DisplayRole : role);
    m_sorted->sort(0, order);
}

void OstDeviceLogProducer::setFilterQuery(QString filterQuery)
{
    if (m_sorted)
        m_sorted->setFilterWildcard(filterQuery);
}

QItemSelection OstDeviceLogProducer::getAllLogsSelection()
{
    return getRangeLogsSelection(0, m_sorted ? m_sorted->rowCount() - 1 : -1);
}

QItemSelection OstDeviceLogProducer::getRangeLogsSelection(int A, int B)
{
    if (!m_sorted || m_sorted->rowCount() == 0)
        return {};
    const int top = qMax(0, qMin(A, B));
    const int bottom = qMin(m_sorted->rowCount() - 1, qMax(A, B));
    if (top > bottom)
        return {};
    return QItemSelection(m_sorted->index(top, 0), m_sorted->index(bottom, 0));
}
