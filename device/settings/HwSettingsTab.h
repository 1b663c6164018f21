#pragma once

#include "HwSetting.h"

#include <QList>
#include <QObject>
#include <QString>

using SettingsList = QList<HwSetting *>;

// One tab of the Hardware Setup screen: the rows an editor built for one part of a
// board's configuration, in display order. The tab asks its editor to apply or
// re-read (Apply, Refresh) and then lets its rows accept or discard their edits;
// both reach the rows through queued connections, so the editor still sees which
// rows were changed.
class HwSettingsTab : public QObject
{
    Q_OBJECT
    Q_PROPERTY(SettingsList settings READ getSettingsList NOTIFY SettingsChanged)
    Q_PROPERTY(QString name READ getName CONSTANT)
    Q_PROPERTY(bool pendingChanges READ hasPendingChanges NOTIFY PendingStateChanged)
    Q_PROPERTY(bool valueErrorState READ hasValueErrors NOTIFY ValueErrorStateChanged)

public:
    HwSettingsTab(QObject *parent, int tabRef, const QString &name);
    // Empties its list first, so that no view keeps a row of it.
    ~HwSettingsTab() override;

    int tabRef() const { return m_tabRef; }
    QString getName() const { return m_name; }
    const SettingsList &settingsList() const { return m_settings; }

    HwSetting *addSectionName(const QString &name);
    HwSetting *addSubSectionName(const QString &name);
    HwSetting *addStringSetting(const QString &name, char *text, int maxLength, bool isPassword,
                                HwSetting::ValidationCallback callback, void *userData);
    HwSetting *addIpAddressSetting(const QString &name, uint8_t *address, HwSetting::ValidationCallback callback,
                                   void *userData);
    HwSetting *addBoolSetting(const QString &name, uint8_t *switchByte, HwSetting::ValidationCallback callback,
                              void *userData);
    // Takes every row off the list and announces the empty list. The rows are
    // detached from their fields at once and deleted once the views have let go.
    void clearSettings();

    Q_INVOKABLE void applySettings();
    Q_INVOKABLE void refresh();

signals:
    void SettingsChanged(SettingsList settings);
    void Apply(int tabRef);
    void Refresh(int tabRef);
    void PendingStateChanged();
    void ValueErrorStateChanged();
    void ChangesApplied();
    void PendingStateReset();

private slots:
    SettingsList getSettingsList() const { return m_settings; }
    bool hasPendingChanges() const;
    bool hasValueErrors() const;
    void handleFieldStateChange(HwSetting::FieldState fieldState);

private:
    HwSetting *addHeading(const QString &name, HwSetting::Type type);
    HwSetting *attach(HwSetting *setting);

    const int m_tabRef;
    const QString m_name;
    SettingsList m_settings;
};
