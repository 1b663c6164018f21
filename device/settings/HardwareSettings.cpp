#include "HardwareSettings.h"

#include "HwSettingsGUI.h"
#include "OstDevice.h"
#include "Zelto.h"
#include "ZeltoSettings.h"

HardwareSettings::HardwareSettings(QObject *parent, std::chrono::milliseconds queryTimeout)
    : QObject(parent)
    , m_gui(new HwSettingsGUI(this))
    , m_queryTimeout(queryTimeout)
{
    connect(m_gui, &HwSettingsGUI::SetVisibleState, this, &HardwareSettings::setVisibility);
}

DeviceSettings *HardwareSettings::editor() const
{
    return m_editor;
}

void HardwareSettings::setOstDevice(const OstDevice *device)
{
    if (m_editor) {
        // The old editor's rows let go of its records and leave the screen now, before
        // a new editor builds its tab; the editor itself goes later.
        m_editor->detach();
        m_gui->deleteAllTabs();
        m_editor->deleteLater();
        m_editor = nullptr;
    }
    const auto *board = qobject_cast<const Zelto *>(device);
    if (!board || board->deviceType() != OstDevice::Zelto)
        return;
    auto *editor = new ZeltoSettings(this, board, m_gui, m_queryTimeout);
    m_editor = editor;
    connect(m_gui, &HwSettingsGUI::Apply, editor, &DeviceSettings::applySettings, Qt::QueuedConnection);
    connect(m_gui, &HwSettingsGUI::Refresh, editor, &DeviceSettings::refresh, Qt::QueuedConnection);
    if (m_visible)
        editor->querySettings(-1);
}

void HardwareSettings::setVisibility(bool isVisible)
{
    m_visible = isVisible;
    if (isVisible && m_editor)
        m_editor->querySettings(-1);
}
