#pragma once

#include "HwSettingsTab.h"

#include <QList>
#include <QObject>
#include <QString>

using SettingsTabsList = QList<HwSettingsTab *>;

// The tabs of the Hardware Setup screen, as QML sees them (the root-context property
// "HardwareSettings"). Editors add tabs and rows by tab reference; the screen
// reports whether it is shown, and the tabs' apply and refresh requests come out
// here for the editor.
class HwSettingsGUI : public QObject
{
    Q_OBJECT
    Q_PROPERTY(SettingsTabsList settingsTabs READ getTabsList NOTIFY TabsChanged)

public:
    explicit HwSettingsGUI(QObject *parent);

    // The reference of the listed tab of this name, emptied, or of a new tab.
    int addTab(const QString &name);
    // Null when no tab has this reference.
    HwSettingsTab *getTab(int tabRef) const;

    // The tab's operations by reference; null (and nothing added) for an unknown tab.
    HwSetting *addSectionName(int tabRef, const QString &name);
    HwSetting *addSubSectionName(int tabRef, const QString &name);
    HwSetting *addStringSetting(int tabRef, const QString &name, char *text, int maxLength, bool isPassword,
                                HwSetting::ValidationCallback callback, void *userData);
    HwSetting *addIpAddressSetting(int tabRef, const QString &name, uint8_t *address,
                                   HwSetting::ValidationCallback callback, void *userData);
    HwSetting *addBoolSetting(int tabRef, const QString &name, uint8_t *switchByte,
                              HwSetting::ValidationCallback callback, void *userData);

public slots:
    // Ends the listing of every tab; their rows are detached at once.
    void deleteAllTabs();
    // Called by the screen when it is shown or hidden.
    void setVisibility(bool isVisible);

signals:
    void TabsChanged(SettingsTabsList tabs);
    void Apply(int tabRef);
    void Refresh(int tabRef);
    void SetVisibleState(bool isVisible);

private slots:
    SettingsTabsList getTabsList() const { return m_tabs; }

private:
    SettingsTabsList m_tabs;
};
