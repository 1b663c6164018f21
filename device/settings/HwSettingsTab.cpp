#include "HwSettingsTab.h"

#include <QMetaType>

#include <algorithm>
#include <utility>

HwSettingsTab::HwSettingsTab(QObject *parent, int tabRef, const QString &name)
    : QObject(parent)
    , m_tabRef(tabRef)
    , m_name(name)
{
    qRegisterMetaType<SettingsList>("SettingsList");
}

HwSettingsTab::~HwSettingsTab()
{
    const SettingsList rows = std::exchange(m_settings, {});
    for (HwSetting *row : rows)
        row->detach();
    emit SettingsChanged(m_settings);
}

HwSetting *HwSettingsTab::addHeading(const QString &name, HwSetting::Type type)
{
    auto *heading = new HwSetting(this, name, type);
    m_settings.append(heading);
    return heading;
}

HwSetting *HwSettingsTab::addSectionName(const QString &name)
{
    return addHeading(name, HwSetting::SectionName);
}

HwSetting *HwSettingsTab::addSubSectionName(const QString &name)
{
    return addHeading(name, HwSetting::SubSectionName);
}

HwSetting *HwSettingsTab::addStringSetting(const QString &name, char *text, int maxLength, bool isPassword,
                                           HwSetting::ValidationCallback callback, void *userData)
{
    return attach(new HwSetting(this, name, text, maxLength, isPassword, callback, userData));
}

HwSetting *HwSettingsTab::addIpAddressSetting(const QString &name, uint8_t *address,
                                              HwSetting::ValidationCallback callback, void *userData)
{
    return attach(new HwSetting(this, name, HwSetting::IpAddress, address, callback, userData));
}

HwSetting *HwSettingsTab::addBoolSetting(const QString &name, uint8_t *switchByte,
                                         HwSetting::ValidationCallback callback, void *userData)
{
    return attach(new HwSetting(this, name, HwSetting::Bool, switchByte, callback, userData));
}

HwSetting *HwSettingsTab::attach(HwSetting *setting)
{
    connect(this, &HwSettingsTab::ChangesApplied, setting, &HwSetting::acceptChanges, Qt::QueuedConnection);
    connect(this, &HwSettingsTab::PendingStateReset, setting, &HwSetting::discardChanges, Qt::QueuedConnection);
    connect(setting, &HwSetting::FieldStateChanged, this, &HwSettingsTab::handleFieldStateChange);
    m_settings.append(setting);
    return setting;
}

void HwSettingsTab::clearSettings()
{
    const SettingsList rows = std::exchange(m_settings, {});
    for (HwSetting *row : rows) {
        row->detach();
        row->disconnect(this);
        disconnect(row);
    }
    emit SettingsChanged(m_settings);
    emit PendingStateChanged();
    emit ValueErrorStateChanged();
    // Views drop their delegates when they hear of the new list; the rows go after.
    for (HwSetting *row : rows)
        row->deleteLater();
}

bool HwSettingsTab::hasPendingChanges() const
{
    return std::any_of(m_settings.cbegin(), m_settings.cend(), [](const HwSetting *row) { return row->hasPending(); });
}

bool HwSettingsTab::hasValueErrors() const
{
    return std::any_of(m_settings.cbegin(), m_settings.cend(), [](const HwSetting *row) { return row->hasError(); });
}

void HwSettingsTab::handleFieldStateChange(HwSetting::FieldState)
{
    emit PendingStateChanged();
    emit ValueErrorStateChanged();
}

void HwSettingsTab::applySettings()
{
    emit Apply(m_tabRef);
    emit ChangesApplied();
}

void HwSettingsTab::refresh()
{
    emit Refresh(m_tabRef);
    emit PendingStateReset();
}
