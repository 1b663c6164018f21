#pragma once

#include "ControlChannel.h"
#include "DeviceSettings.h"

#include <QList>
#include <QPointer>

#include <chrono>
#include <cstdint>

class HwSetting;
class QTimer;
class Zelto;

// The settings editor of a controller board: reads the board's Wi-Fi settings record,
// Wi-Fi state and transmit power through its control channel, builds the tab "Zelto"
// with rows bound to its own copies of the records, and writes the records back
// when the user applies changes.
//
// A record goes back to the board only when it was read from this board with
// success: the rows of a record that was never read are not shown, and a failed or
// lost read leaves the table as it was read last. Every table is built from the
// records as the board sent them, so edits that were not applied never travel
// with a later change.
class ZeltoSettings : public DeviceSettings
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds DefaultQueryTimeout{5000};
    static constexpr const char *TabName = "Zelto";

    ZeltoSettings(QObject *parent, const Zelto *board, HwSettingsGUI *container,
                  std::chrono::milliseconds queryTimeout = DefaultQueryTimeout);
    ~ZeltoSettings() override;

    void detach() override;

    int tabRef() const { return m_tabRef; }
    // Whether no read is outstanding.
    bool isIdle() const { return m_settingsReplied && m_stateReplied && m_powerReplied; }
    int32_t wifiTxPower() const { return m_txPower; }

    // The rule of the static address rows: all three empty, or this one set.
    static bool validateStaticIp(void *userData, HwSetting *setting, QString &message);

public slots:
    void applySettings(int tabRef) override;
    void refresh(int tabRef) override;
    void querySettings(int tabRef) override;

signals:
    void QueryWifiSettings();
    void QueryWifiState();
    void QueryWifiTxPower();
    void SetWifiSettings(ControlChannel::WifiSettings settings);
    void SetWifiState(ControlChannel::WifiState state);
    void SetWifiTxPower(int powerDbm);

private slots:
    void wifiSettingsReceived(ControlChannel::ResponseCode response, ControlChannel::WifiSettings wifiSettings);
    void wifiStateReceived(ControlChannel::ResponseCode response, ControlChannel::WifiState wifiState);
    void wifiTxPowerReceived(ControlChannel::ResponseCode response, int32_t powerDbm);
    void queryTimedOut();

private:
    void connectControlChannel(const ControlChannel *control);
    void replyReceived();
    void postReadFailure();
    void buildTable();
    void restoreEdits();
    void detachRows();
    using Rows = QList<QPointer<HwSetting>>;
    static bool anyInState(const Rows &rows, int state);

    int m_tabRef = -1;
    bool m_settingsReplied = true;
    bool m_stateReplied = true;
    bool m_powerReplied = true;
    // The records as the board sent them last, and whether it has sent them at all.
    ControlChannel::WifiSettings m_boardSettings;
    ControlChannel::WifiState m_boardState;
    bool m_settingsRead = false;
    bool m_stateRead = false;
    // The copies the rows are bound to and edit.
    ControlChannel::WifiSettings m_wifiSettings;
    ControlChannel::WifiState m_wifiState;
    int32_t m_txPower = 0;
    Rows m_stateRows;
    Rows m_settingsRows;
    Rows m_staticRows;
    QTimer *m_queryTimer = nullptr;
};
