#pragma once

#include "OstDevice.h"

#include <QObject>
#include <QPointer>

class HwSettingsGUI;

// The settings editor of one board kind: it reads the board's records, fills tabs of
// the container with rows bound to them, and answers the tabs' apply and refresh
// requests.
class DeviceSettings : public QObject
{
    Q_OBJECT

public:
    DeviceSettings(QObject *parent, const OstDevice *device, HwSettingsGUI *container);
    // Empties the container's tabs (queued) unless the editor was detached before.
    ~DeviceSettings() override;

    // Ends the editor's work before it goes: its rows let go of its records, it hears
    // nothing more from its board or the container, and it no longer empties the
    // container when it is destroyed (its successor may have built tabs by then).
    virtual void detach();

    const OstDevice *device() const { return m_device; }
    OstDevice::DeviceType deviceType() const { return m_deviceType; }

public slots:
    virtual void applySettings(int tabRef) = 0;
    virtual void refresh(int tabRef) = 0;
    virtual void querySettings(int tabRef) = 0;

signals:
    void DeleteAllTabs();

protected:
    HwSettingsGUI *container() const { return m_container; }

private:
    QPointer<const OstDevice> m_device;
    QPointer<HwSettingsGUI> m_container;
    const OstDevice::DeviceType m_deviceType;
};
