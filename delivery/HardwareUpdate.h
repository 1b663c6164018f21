#pragma once

#include "DeviceUpdateEntry.h"
#include "FirmwareUpdateSettings.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>

class OstDevice;

using DeviceUpdateEntryList = QList<DeviceUpdateEntry *>;

// The firmware updates of the connected devices: one entry per connected controller
// board, in the order they connected, with the selected board's entry and the number
// of entries that offer an update. An entry whose board restarts after an upload
// stays while the board is away; the board's new entry continues the update.
class HardwareUpdate : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<DeviceUpdateEntry *> deviceList READ deviceList WRITE setDeviceList NOTIFY DeviceListChanged)
    Q_PROPERTY(int availableUpdates READ getAvailableUpdates NOTIFY AvailableUpdatesChanged)
    Q_PROPERTY(
        DeviceUpdateEntry *selectedDevice READ selectedDevice WRITE setSelectedEntry NOTIFY SelectedDeviceChanged)

public:
    explicit HardwareUpdate(QObject *parent = nullptr, const FirmwareUpdateSettings &settings = {});
    ~HardwareUpdate() override;

    QList<DeviceUpdateEntry *> deviceList() const { return m_deviceList; }
    void setDeviceList(const QList<DeviceUpdateEntry *> &list);
    DeviceUpdateEntry *selectedDevice() const { return m_selectedDevice; }
    void setSelectedEntry(DeviceUpdateEntry *entry);
    bool isVisible() const { return m_visible; }
    QStringList updatingSerials() const { return m_updatingSerials; }
    // The entry of a board by its serial number; null when there is none.
    DeviceUpdateEntry *entryFor(const QString &serial) const;

public slots:
    void refresh();
    void ostDeviceConnected(const OstDevice *device, bool isConnected);
    void deleteEntry(DeviceUpdateEntry *entry);
    void setSelectedDevice(const OstDevice *device);
    void setVisibility(bool isVisible);

signals:
    void DeviceListChanged();
    void AvailableUpdatesChanged();
    void SelectedDeviceChanged();

private slots:
    int getAvailableUpdates() const { return m_availableUpdates; }
    void addAvailableUpdates(int updatesAvailable);
    void setUpdateState(bool state, QString serial);

private:
    void removeEntry(DeviceUpdateEntry *entry);
    void refreshEntries();

    FirmwareUpdateSettings m_settings;
    QList<DeviceUpdateEntry *> m_deviceList;
    DeviceUpdateEntry *m_selectedDevice = nullptr;
    bool m_visible = false;
    QStringList m_updatingSerials;
    // Serial number -> the component whose upload the board restarts from.
    QHash<QString, QString> m_restartingComponents;
    QString m_selectedSerial;
    int m_availableUpdates = 0;
};
