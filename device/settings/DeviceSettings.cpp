#include "DeviceSettings.h"

#include "HwSettingsGUI.h"

DeviceSettings::DeviceSettings(QObject *parent, const OstDevice *device, HwSettingsGUI *container)
    : QObject(parent)
    , m_device(device)
    , m_container(container)
    , m_deviceType(device ? device->deviceType() : OstDevice::None)
{
    connect(this, &DeviceSettings::DeleteAllTabs, container, &HwSettingsGUI::deleteAllTabs, Qt::QueuedConnection);
}

DeviceSettings::~DeviceSettings()
{
    emit DeleteAllTabs();
}

void DeviceSettings::detach()
{
    if (m_container) {
        disconnect(m_container);
        m_container->disconnect(this);
    }
    if (m_device)
        m_device->disconnect(this);
}
