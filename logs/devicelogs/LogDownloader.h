#pragma once

#include "OstDeviceLogProducer.h"
#include "QOlm.h"

#include <QDir>
#include <QObject>
#include <QString>

class OstDevice;
class QFileSystemWatcher;

// The root of the device logs: one log producer per board serial, kept in step with
// the serial folders under "LogData" and with the boards that connect and
// disconnect; the producer of the board selected in the application; and the
// visibility of the log screens, refresh requests and the search text passed on to
// every producer.
class LogDownloader : public QObject
{
    Q_OBJECT
    Q_PROPERTY(qolm::QOlm<OstDeviceLogProducer> *ostDeviceLogList READ producerList NOTIFY LogDeviceListChanged)
    Q_PROPERTY(OstDeviceLogProducer *selectedDevice READ selectedDevice WRITE setSelectedProducer NOTIFY
                   SelectedLogDeviceChanged)

public:
    using ProducerList = qolm::QOlm<OstDeviceLogProducer>;

    explicit LogDownloader(QObject *parent = nullptr);
    ~LogDownloader() override;

    ProducerList *producerList() { return &m_producers; }
    OstDeviceLogProducer *selectedDevice() const { return m_selected; }
    void setSelectedProducer(OstDeviceLogProducer *producer);
    QDir logFolder() const { return m_logFolder; }
    // The producer of a serial, made (with its folder) when there is none yet;
    // nothing when the serial cannot name a folder or the folder cannot be made.
    OstDeviceLogProducer *producerForSerial(const QString &serialNumber);

public slots:
    void ostDeviceConnected(const OstDevice *device, bool isConnected);
    void addLogFile(QString filePath);
    void handleFolderChanged();
    void setSelectedDevice(const OstDevice *device);
    void setVisibility(bool isVisible);
    void refresh();
    void setFilterQuery(QString filterQuery);
    // Opens the log folder in the desktop's file manager; 1 when it was handed over.
    Q_INVOKABLE int openExplorerWindowLogs();

signals:
    void LogDeviceListChanged();
    void SelectedLogDeviceChanged();

private slots:
    void removeDevice(OstDeviceLogProducer *self);

private:
    static void registerQmlTypes();
    void addLogFolders();
    OstDeviceLogProducer *findProducer(const QString &serialNumber) const;

    ProducerList m_producers{nullptr, {}, {}};
    QDir m_logFolder;
    bool m_hasLogFolder = false;
    OstDeviceLogProducer *m_selected = nullptr;
    QMetaObject::Connection m_selectedBoardMscStatus;
    QFileSystemWatcher *m_watcher = nullptr;
    bool m_visible = false;
};
