#include "LogDownloader.h"

#include "ApplicationFolders.h"
#include "LogCommandQueue.h"
#include "LogHeader.h"
#include "OstDevice.h"
#include "Zelto.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileSystemWatcher>
#include <QLoggingCategory>
#include <QQmlEngine>
#include <QUrl>

Q_LOGGING_CATEGORY(lcLogDownloader, "Logs.LogDownloader")

LogDownloader::LogDownloader(QObject *parent)
    : QObject(parent)
{
    const std::optional<QDir> folder = ApplicationFolders::instance().subFolder(ApplicationFolders::HomeFolder,
                                                                                QByteArrayLiteral("LogData"));
    if (folder) {
        m_logFolder = *folder;
        m_hasLogFolder = true;
    }
    registerQmlTypes();
    if (!m_hasLogFolder)
        return;
    m_watcher = new QFileSystemWatcher(this);
    m_watcher->addPath(m_logFolder.absolutePath());
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &LogDownloader::handleFolderChanged);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &LogDownloader::handleFolderChanged);
    addLogFolders();
}

// The producers are children of this object; the list lets go of them first so
// that it never shows one that is being destroyed.
LogDownloader::~LogDownloader()
{
    m_selected = nullptr;
    m_producers.clear();
}

void LogDownloader::registerQmlTypes()
{
    static const bool registered = [] {
        qmlRegisterType<ProducerList>("com.ostrel", 1, 0, "OstDeviceLogProducerList");
        qRegisterMetaType<ProducerList *>("OstDeviceLogProducerList*");
        qmlRegisterUncreatableType<OstDeviceLogProducer>("com.ostrel", 1, 0, "OstDeviceLogProducer",
                                                         QStringLiteral("type is private"));
        qmlRegisterType<ProducerList>("com.ostrel", 1, 0, "OstDeviceLogProducerListTemplate");
        qmlRegisterType<qolm::QOlm<QObject>>("com.ostrel", 1, 0, "QtObjectList");
        // The log screen makes its own queue.
        qmlRegisterType<LogCommandQueue>("com.ostrel", 1, 0, "LogCommandQueue");
        return true;
    }();
    Q_UNUSED(registered)
}

void LogDownloader::setSelectedProducer(OstDeviceLogProducer *producer)
{
    if (producer == m_selected)
        return;
    m_selected = producer;
    emit SelectedLogDeviceChanged();
}

OstDeviceLogProducer *LogDownloader::findProducer(const QString &serialNumber) const
{
    for (int row = 0; row < m_producers.count(); ++row) {
        if (m_producers.at(row)->serialNumber() == serialNumber)
            return m_producers.at(row);
    }
    return nullptr;
}

OstDeviceLogProducer *LogDownloader::producerForSerial(const QString &serialNumber)
{
    if (OstDeviceLogProducer *producer = findProducer(serialNumber))
        return producer;
    auto *producer = new OstDeviceLogProducer(this, serialNumber);
    if (!producer->isValid()) {
        // Never listed; nothing refers to it.
        delete producer;
        return nullptr;
    }
    m_producers.append(producer);
    connect(producer, &OstDeviceLogProducer::RequestRemove, this, &LogDownloader::removeDevice, Qt::QueuedConnection);
    return producer;
}

void LogDownloader::addLogFolders()
{
    const QStringList folders = m_logFolder.entryList(QDir::Dirs | QDir::NoSymLinks | QDir::NoDotAndDotDot,
                                                      QDir::NoSort);
    for (const QString &serialNumber : folders) {
        if (!producerForSerial(serialNumber)) {
            qCDebug(lcLogDownloader) << "Could not add log folder due to not validness or no available logs files";
            return;
        }
    }
    emit LogDeviceListChanged();
}

void LogDownloader::handleFolderChanged()
{
    addLogFolders();
    qCDebug(lcLogDownloader) << "folder changed DataGrabber";
}

void LogDownloader::ostDeviceConnected(const OstDevice *device, bool isConnected)
{
    if (!device)
        return;
    // The producer only asks the board for its file service; the board stays the factory's.
    auto *board = qobject_cast<Zelto *>(const_cast<OstDevice *>(device));
    if (!isConnected) {
        if (OstDeviceLogProducer *producer = findProducer(device->serialNumber()))
            producer->setDevice(nullptr, m_visible);
        return;
    }
    OstDeviceLogProducer *producer = producerForSerial(device->serialNumber());
    if (!producer) {
        qCDebug(lcLogDownloader) << "Could not create new OstDevice log folder";
        return;
    }
    producer->setDevice(board, m_visible);
    emit LogDeviceListChanged();
}

void LogDownloader::addLogFile(QString filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    file.close();
    const QString serialNumber = readLogHeaderValue(filePath, QStringLiteral("serial"));
    if (serialNumber.isEmpty()) {
        qCDebug(lcLogDownloader) << "The log" << filePath << "names no board; not imported";
        return;
    }
    OstDeviceLogProducer *producer = producerForSerial(serialNumber);
    if (!producer) {
        qCDebug(lcLogDownloader) << "No log folder for the board" << serialNumber << "; not imported";
        return;
    }
    producer->addLocalLogFile(filePath);
}

void LogDownloader::setSelectedDevice(const OstDevice *device)
{
    if (!device) {
        if (m_selected)
            m_selected->setCurrentDownload(nullptr);
        disconnect(m_selectedBoardMscStatus);
        m_selected = nullptr;
        emit SelectedLogDeviceChanged();
        refresh();
        return;
    }
    OstDeviceLogProducer *producer = findProducer(device->serialNumber());
    if (!producer)
        return;
    m_selected = producer;
    // One connection to the selected board at a time, or every selection would add
    // another refresh.
    disconnect(m_selectedBoardMscStatus);
    if (const auto *board = qobject_cast<const Zelto *>(device)) {
        m_selectedBoardMscStatus = connect(board, &Zelto::MscStatusChanged, this, [this](bool mounted) {
            if (!mounted)
                refresh();
        });
    }
    emit SelectedLogDeviceChanged();
}

void LogDownloader::setVisibility(bool isVisible)
{
    m_visible = isVisible;
    for (int row = 0; row < m_producers.count(); ++row)
        m_producers.at(row)->setVisibility(isVisible);
}

void LogDownloader::refresh()
{
    for (int row = 0; row < m_producers.count(); ++row) {
        m_producers.at(row)->initOstDeviceLogs();
        m_producers.at(row)->initLocalLogs();
    }
}

void LogDownloader::setFilterQuery(QString filterQuery)
{
    for (int row = 0; row < m_producers.count(); ++row)
        m_producers.at(row)->setFilterQuery(filterQuery);
}

// The request comes queued: by now the producer may have been handed a board or a
// log again, or a second request may come for a producer already gone.
void LogDownloader::removeDevice(OstDeviceLogProducer *self)
{
    bool listed = false;
    for (int row = 0; row < m_producers.count() && !listed; ++row)
        listed = m_producers.at(row) == self;
    if (!listed || self->device() || !self->entries().isEmpty())
        return;
    if (self == m_selected) {
        m_selected = nullptr;
        emit SelectedLogDeviceChanged();
    }
    m_producers.remove(self);
    self->deleteLater();
    emit LogDeviceListChanged();
}

int LogDownloader::openExplorerWindowLogs()
{
    if (!m_hasLogFolder)
        return 0;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(m_logFolder.absolutePath())) ? 1 : 0;
}
