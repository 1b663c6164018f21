#include "HwSettingsGUI.h"

#include <QMetaType>
#include <QQmlEngine>

#include <mutex>

HwSettingsGUI::HwSettingsGUI(QObject *parent)
    : QObject(parent)
{
    // QML reads the row types and field states from the registered type.
    static std::once_flag registered;
    std::call_once(registered, [] {
        qmlRegisterUncreatableType<HwSetting>("com.ostrel", 1, 0, "HwSetting", QString());
        qRegisterMetaType<SettingsTabsList>("SettingsTabsList");
    });
}

int HwSettingsGUI::addTab(const QString &name)
{
    for (HwSettingsTab *tab : std::as_const(m_tabs)) {
        if (tab->getName() == name) {
            tab->clearSettings();
            return int(m_tabs.indexOf(tab));
        }
    }
    const auto tabRef = int(m_tabs.size());
    auto *tab = new HwSettingsTab(this, tabRef, name);
    connect(tab, &HwSettingsTab::Apply, this, &HwSettingsGUI::Apply, Qt::DirectConnection);
    connect(tab, &HwSettingsTab::Refresh, this, &HwSettingsGUI::Refresh, Qt::DirectConnection);
    m_tabs.append(tab);
    emit TabsChanged(m_tabs);
    return tabRef;
}

HwSettingsTab *HwSettingsGUI::getTab(int tabRef) const
{
    if (tabRef < 0 || tabRef >= m_tabs.size())
        return nullptr;
    return m_tabs.at(tabRef);
}

HwSetting *HwSettingsGUI::addSectionName(int tabRef, const QString &name)
{
    HwSettingsTab *tab = getTab(tabRef);
    return tab ? tab->addSectionName(name) : nullptr;
}

HwSetting *HwSettingsGUI::addSubSectionName(int tabRef, const QString &name)
{
    HwSettingsTab *tab = getTab(tabRef);
    return tab ? tab->addSubSectionName(name) : nullptr;
}

HwSetting *HwSettingsGUI::addStringSetting(int tabRef, const QString &name, char *text, int maxLength, bool isPassword,
                                           HwSetting::ValidationCallback callback, void *userData)
{
    HwSettingsTab *tab = getTab(tabRef);
    return tab ? tab->addStringSetting(name, text, maxLength, isPassword, callback, userData) : nullptr;
}

HwSetting *HwSettingsGUI::addIpAddressSetting(int tabRef, const QString &name, uint8_t *address,
                                              HwSetting::ValidationCallback callback, void *userData)
{
    HwSettingsTab *tab = getTab(tabRef);
    return tab ? tab->addIpAddressSetting(name, address, callback, userData) : nullptr;
}

HwSetting *HwSettingsGUI::addBoolSetting(int tabRef, const QString &name, uint8_t *switchByte,
                                         HwSetting::ValidationCallback callback, void *userData)
{
    HwSettingsTab *tab = getTab(tabRef);
    return tab ? tab->addBoolSetting(name, switchByte, callback, userData) : nullptr;
}

void HwSettingsGUI::deleteAllTabs()
{
    const SettingsTabsList tabs = std::exchange(m_tabs, {});
    for (HwSettingsTab *tab : tabs) {
        tab->clearSettings();
        tab->disconnect(this);
    }
    emit TabsChanged(m_tabs);
    for (HwSettingsTab *tab : tabs)
        tab->deleteLater();
}

void HwSettingsGUI::setVisibility(bool isVisible)
{
    emit SetVisibleState(isVisible);
}
