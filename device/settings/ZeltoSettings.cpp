#include "ZeltoSettings.h"

#include "AbstractNotification.h"
#include "ErrorHandler.h"
#include "Halvora.h"
#include "HwSettingsGUI.h"
#include "Zelto.h"

#include <QDateTime>
#include <QDebug>
#include <QTimer>

#include <algorithm>

namespace {

using Record = ControlChannel::WifiSettings;
constexpr int NameLength = 32;
constexpr int SsidLength = 32;
constexpr int PasswordLength = 64;

} // namespace

ZeltoSettings::ZeltoSettings(QObject *parent, const Zelto *board, HwSettingsGUI *container,
                             std::chrono::milliseconds queryTimeout)
    : DeviceSettings(parent, board, container)
    , m_queryTimer(new QTimer(this))
{
    m_queryTimer->setSingleShot(true);
    m_queryTimer->setInterval(queryTimeout);
    connect(m_queryTimer, &QTimer::timeout, this, &ZeltoSettings::queryTimedOut);
    if (board && board->getControlChannel())
        connectControlChannel(board->getControlChannel());
}

ZeltoSettings::~ZeltoSettings()
{
    // The rows must not outlive the records they are bound to.
    detachRows();
}

void ZeltoSettings::connectControlChannel(const ControlChannel *control)
{
    connect(this, &ZeltoSettings::QueryWifiSettings, control, &ControlChannel::getWifiSettings, Qt::QueuedConnection);
    connect(this, &ZeltoSettings::QueryWifiState, control, &ControlChannel::getWifiState, Qt::QueuedConnection);
    connect(this, &ZeltoSettings::QueryWifiTxPower, control, &ControlChannel::getWifiTxPower, Qt::QueuedConnection);
    connect(control, &ControlChannel::GetWifiSettingsReceived, this, &ZeltoSettings::wifiSettingsReceived);
    connect(control, &ControlChannel::GetWifiStateReceived, this, &ZeltoSettings::wifiStateReceived);
    connect(control, &ControlChannel::GetWifiTxPowerReceived, this, &ZeltoSettings::wifiTxPowerReceived);
    connect(this, &ZeltoSettings::SetWifiSettings, control, &ControlChannel::setWifiSettings, Qt::QueuedConnection);
    connect(this, &ZeltoSettings::SetWifiState, control, &ControlChannel::setWifiState, Qt::QueuedConnection);
    connect(this, &ZeltoSettings::SetWifiTxPower, control, &ControlChannel::setWifiTxPower, Qt::QueuedConnection);
}

void ZeltoSettings::detach()
{
    detachRows();
    m_queryTimer->stop();
    // Requests and replies: this object's signals to the channel, the channel's to it.
    disconnect(this, &ZeltoSettings::QueryWifiSettings, nullptr, nullptr);
    disconnect(this, &ZeltoSettings::QueryWifiState, nullptr, nullptr);
    disconnect(this, &ZeltoSettings::QueryWifiTxPower, nullptr, nullptr);
    disconnect(this, &ZeltoSettings::SetWifiSettings, nullptr, nullptr);
    disconnect(this, &ZeltoSettings::SetWifiState, nullptr, nullptr);
    disconnect(this, &ZeltoSettings::SetWifiTxPower, nullptr, nullptr);
    if (const auto *board = qobject_cast<const Zelto *>(device()); board && board->getControlChannel())
        board->getControlChannel()->disconnect(this);
    DeviceSettings::detach();
}

void ZeltoSettings::detachRows()
{
    for (Rows *rows : {&m_stateRows, &m_settingsRows, &m_staticRows}) {
        for (const QPointer<HwSetting> &row : std::as_const(*rows)) {
            if (row)
                row->detach();
        }
        rows->clear();
    }
}

void ZeltoSettings::querySettings(int tabRef)
{
    if ((tabRef != m_tabRef && tabRef != -1) || !isIdle())
        return;
    m_settingsReplied = m_stateReplied = m_powerReplied = false;
    m_queryTimer->start();
    emit QueryWifiSettings();
    emit QueryWifiState();
    emit QueryWifiTxPower();
}

void ZeltoSettings::refresh(int tabRef)
{
    if (tabRef != m_tabRef)
        return;
    // The rows go back to what they showed as accepted; their fields go with them.
    restoreEdits();
    querySettings(tabRef);
}

void ZeltoSettings::restoreEdits()
{
    m_wifiSettings = m_boardSettings;
    m_wifiState = m_boardState;
}

bool ZeltoSettings::anyInState(const Rows &rows, int state)
{
    return std::any_of(rows.cbegin(), rows.cend(),
                       [state](const QPointer<HwSetting> &row) { return row && row->getFieldState() == state; });
}

void ZeltoSettings::applySettings(int tabRef)
{
    if (tabRef != m_tabRef)
        return;
    const bool settingsChanged = anyInState(m_settingsRows, HwSetting::Changed)
                                 || anyInState(m_staticRows, HwSetting::Changed);
    const bool settingsRefused = anyInState(m_settingsRows, HwSetting::Error)
                                 || anyInState(m_staticRows, HwSetting::Error);
    if (settingsChanged && !settingsRefused && m_settingsRead) {
        qDebug() << "applying wifi settings updates";
        emit SetWifiSettings(m_wifiSettings);
    } else if (settingsChanged) {
        qWarning() << "Wi-Fi settings not applied: a field holds a refused value or the settings were never read";
    }
    if (anyInState(m_stateRows, HwSetting::Changed) && m_stateRead) {
        qDebug() << "applying wifi state updates";
        emit SetWifiState(m_wifiState);
        // Read back, so that the table shows what the board took.
        m_stateReplied = false;
        m_queryTimer->start();
        emit QueryWifiState();
    }
    emit QueryWifiSettings();
}

void ZeltoSettings::wifiSettingsReceived(ControlChannel::ResponseCode response,
                                         ControlChannel::WifiSettings wifiSettings)
{
    m_settingsReplied = true;
    if (response == ControlChannel::Success) {
        m_boardSettings = wifiSettings;
        m_settingsRead = true;
    } else {
        postReadFailure();
    }
    replyReceived();
}

void ZeltoSettings::wifiStateReceived(ControlChannel::ResponseCode response, ControlChannel::WifiState wifiState)
{
    m_stateReplied = true;
    if (response == ControlChannel::Success) {
        m_boardState = wifiState;
        m_stateRead = true;
    } else {
        postReadFailure();
    }
    replyReceived();
}

void ZeltoSettings::wifiTxPowerReceived(ControlChannel::ResponseCode response, int32_t powerDbm)
{
    m_powerReplied = true;
    if (response == ControlChannel::Success)
        m_txPower = powerDbm;
    else
        postReadFailure();
    replyReceived();
}

void ZeltoSettings::replyReceived()
{
    if (!isIdle())
        return;
    m_queryTimer->stop();
    buildTable();
}

// A reply that never comes (the board is gone, or its reply had the wrong size)
// must not block every later read.
void ZeltoSettings::queryTimedOut()
{
    if (isIdle())
        return;
    qWarning() << "The board did not answer every Wi-Fi settings read";
    m_settingsReplied = m_stateReplied = m_powerReplied = true;
    postReadFailure();
    buildTable();
}

void ZeltoSettings::postReadFailure()
{
    ErrorHandler::instance()->addMessage(halvora::ErrorLevel::Warning, AbstractNotification::HalvoraLab,
                                         tr("Retrieve data failed"),
                                         tr("Could not retrieve current settings from Zelto"),
                                         QStringLiteral("Hardware settings"), QDateTime::currentDateTimeUtc());
}

void ZeltoSettings::buildTable()
{
    HwSettingsGUI *gui = container();
    if (!gui)
        return;
    detachRows();
    restoreEdits();
    m_tabRef = gui->addTab(QString::fromLatin1(TabName));
    HwSettingsTab *tab = gui->getTab(m_tabRef);
    if (!tab)
        return;

    char *record = m_wifiSettings.bytes.data();
    auto byteAt = [](char *bytes, qsizetype offset) { return reinterpret_cast<uint8_t *>(bytes + offset); };
    auto state = [this](uint8_t ControlChannel::WifiState::*field) { return &(m_wifiState.*field); };
    auto addState = [&](const QString &name, uint8_t ControlChannel::WifiState::*field) {
        if (m_stateRead)
            m_stateRows << tab->addBoolSetting(name, state(field), nullptr, nullptr);
    };
    auto addText = [&](const QString &name, qsizetype offset, int length, bool password) {
        m_settingsRows << tab->addStringSetting(name, record + offset, length, password, nullptr, nullptr);
    };
    auto addStatic = [&](const QString &name, qsizetype offset) {
        m_staticRows << tab->addIpAddressSetting(name, byteAt(record, offset), &ZeltoSettings::validateStaticIp, this);
    };

    // Without the settings record there is nothing to show that could be sent back.
    if (m_settingsRead) {
        tab->addSectionName(QStringLiteral("General settings"));
        addText(QStringLiteral("Name"), Record::BoardName, NameLength, false);
        tab->addSectionName(QStringLiteral("Wifi settings"));
        addState(QStringLiteral("Wi-Fi enabled"), &ControlChannel::WifiState::wifiEnabled);
        tab->addSubSectionName(QStringLiteral("Connect to access point mode (2.4 Ghz)"));
        addState(QStringLiteral("Enabled"), &ControlChannel::WifiState::stationEnabled);
        addText(QStringLiteral("SSID"), Record::StationSsid, SsidLength, false);
        addText(QStringLiteral("Password"), Record::StationPassword, PasswordLength, true);
        addStatic(QStringLiteral("Static IP"), Record::StaticAddress);
        addStatic(QStringLiteral("Static subnet mask"), Record::StaticSubnetMask);
        addStatic(QStringLiteral("Gateway"), Record::Gateway);
        tab->addSubSectionName(QStringLiteral("Access point mode"));
        addState(QStringLiteral("Enabled"), &ControlChannel::WifiState::accessPointEnabled);
        addText(QStringLiteral("SSID"), Record::AccessPointSsid, SsidLength, false);
        addText(QStringLiteral("Password"), Record::AccessPointPassword, PasswordLength, true);
        m_settingsRows << tab->addBoolSetting(QStringLiteral("Hidden SSID"), byteAt(record, Record::AccessPointHidden),
                                              nullptr, nullptr);
    }

    QList<HwSetting *> linked;
    for (const QPointer<HwSetting> &row : std::as_const(m_staticRows))
        linked << row.data();
    for (HwSetting *row : std::as_const(linked))
        row->setLinkedSettings(linked);
    emit tab->SettingsChanged(tab->settingsList());
}

bool ZeltoSettings::validateStaticIp(void *userData, HwSetting *setting, QString &message)
{
    const auto *editor = static_cast<const ZeltoSettings *>(userData);
    if (!setting->getStringValue().isEmpty())
        return true;
    const bool allEmpty = std::all_of(editor->m_staticRows.cbegin(), editor->m_staticRows.cend(),
                                      [](const QPointer<HwSetting> &row) {
                                          return !row || row->getStringValue().isEmpty();
                                      });
    if (allEmpty)
        return true;
    message =
        QStringLiteral("Static IP addres, subnetmask and gateway need to be set to configure a static IP address.");
    return false;
}
