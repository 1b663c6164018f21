#pragma once

#include <QObject>
#include <QPointer>

#include <chrono>

class DeviceSettings;
class HwSettingsGUI;
class OstDevice;

// Follows the selected board and keeps one settings editor for it. The container it
// owns is what QML sees as "HardwareSettings"; the screen tells it through the
// container whether it is shown, and the editor reads the board only then.
class HardwareSettings : public QObject
{
    Q_OBJECT

public:
    explicit HardwareSettings(QObject *parent,
                              std::chrono::milliseconds queryTimeout = std::chrono::milliseconds(5000));

    HwSettingsGUI *gui() const { return m_gui; }
    DeviceSettings *editor() const;
    bool isVisible() const { return m_visible; }

public slots:
    void setOstDevice(const OstDevice *device);

private slots:
    void setVisibility(bool isVisible);

private:
    HwSettingsGUI *m_gui = nullptr;
    QPointer<DeviceSettings> m_editor;
    bool m_visible = false;
    const std::chrono::milliseconds m_queryTimeout;
};
