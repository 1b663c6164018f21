#include "DatalinkManager.h"

#include "DatalinkCommChannel.h"
#include "ErrorHandler.h"
#include "PacketFrame.h"

#include <QLoggingCategory>
#include <QRandomGenerator64>
#include <QSet>
#include <QTimer>
#include <QVariant>

Q_LOGGING_CATEGORY(lcDatalinkManager, "Device.DatalinkManager")

DatalinkManager::DatalinkManager(QObject *parent, const LinkTimings &timings)
    : QObject(parent)
    , m_commChannel(new DatalinkCommChannel(generateHostId(), this, timings))
    , m_timings(timings)
{
    connect(this, &DatalinkManager::DataReady, m_commChannel, &DatalinkCommChannel::dataReady, Qt::QueuedConnection);
    connect(m_commChannel, &DatalinkCommChannel::Write, this, &DatalinkManager::write);
    connect(m_commChannel, &DatalinkCommChannel::WriteDirect, this, &DatalinkManager::writeToLink);
    connect(m_commChannel, &DatalinkCommChannel::HeartbeatReceived, this, &DatalinkManager::handleHeartbeatReceived);
    connect(m_commChannel, &DatalinkCommChannel::DatalinkVersionReceived, this,
            &DatalinkManager::handleDatalinkVersionReceived);
    connect(m_commChannel, &DatalinkCommChannel::HeartbeatWatchdogTimeout, this,
            &DatalinkManager::handleHeartbeatWatchdogTimeout);
    connect(m_commChannel, &DatalinkCommChannel::SetActiveDatalinkReceived, this,
            &DatalinkManager::handleSetActiveDatalinkReceived);
    connect(m_commChannel, &DatalinkCommChannel::unsupportedDeviceConnected, this,
            &DatalinkManager::onUnsupportedDeviceConnected);
}

QByteArray DatalinkManager::generateHostId()
{
    QRandomGenerator64 generator = QRandomGenerator64::securelySeeded();
    QByteArray hostId(DatalinkCommChannel::HostIdLength, Qt::Uninitialized);
    for (char &c : hostId)
        c = char(generator.generate() % 256 % 94 + 32);
    return hostId;
}

AbstractDataLink::DatalinkState DatalinkManager::usbLinkState() const
{
    return m_usbLink ? m_usbLink->state() : AbstractDataLink::NotAvailable;
}

AbstractDataLink::DatalinkState DatalinkManager::wifiLinkState() const
{
    return m_wifiLink ? m_wifiLink->state() : AbstractDataLink::NotAvailable;
}

AbstractDataLink *DatalinkManager::getDatalink(AbstractDataLink::LinkType type) const
{
    switch (type) {
    case AbstractDataLink::USB:
        return m_usbLink;
    case AbstractDataLink::WiFi:
        return m_wifiLink;
    default:
        return nullptr;
    }
}

int DatalinkManager::addDatalink(AbstractDataLink *datalink)
{
    if (!datalink)
        return -1;
    switch (datalink->linkType()) {
    case AbstractDataLink::USB:
        if (m_usbLink)
            return -1;
        m_usbLink = datalink;
        datalink->setParent(this);
        connectDatalink(datalink);
        // Reading is specific to the USB transport; it is reached through the
        // meta-object so that the manager does not depend on it.
        if (!QMetaObject::invokeMethod(datalink, "startReading", Qt::DirectConnection))
            qCWarning(lcDatalinkManager) << "The USB datalink cannot start reading";
        emit usbLinkStateChanged(datalink->state());
        return 0;
    case AbstractDataLink::WiFi:
        if (m_wifiLink)
            return -1;
        m_wifiLink = datalink;
        datalink->setParent(this);
        connectDatalink(datalink);
        // A second, direct subscription: a Wi-Fi state change is handled at once and
        // again from the event queue.
        connect(datalink, &AbstractDataLink::datalinkStateSignal, this, &DatalinkManager::handleDatalinkState);
        connectWifiKeyExchange(datalink);
        emit wifiLinkStateChanged(datalink->state());
        return 0;
    default:
        return 0;
    }
}

void DatalinkManager::connectDatalink(AbstractDataLink *datalink)
{
    // Drops earlier receivers, such as the manager of a pending device that hands
    // this datalink on.
    disconnect(datalink, &AbstractDataLink::packetReceived, nullptr, nullptr);
    disconnect(datalink, &AbstractDataLink::datalinkStateSignal, nullptr, nullptr);
    disconnect(datalink, &QObject::destroyed, nullptr, nullptr);

    connect(datalink, &AbstractDataLink::packetReceived, this, &DatalinkManager::DataReady);
    connect(datalink, &AbstractDataLink::datalinkStateSignal, this, &DatalinkManager::handleDatalinkState,
            Qt::QueuedConnection);
    connect(this, &DatalinkManager::activeLinkTypeChanged, datalink, &AbstractDataLink::activeLinkTypeChanged);
    connect(datalink, &QObject::destroyed, this, &DatalinkManager::datalinkDeleted);
}

void DatalinkManager::connectWifiKeyExchange(AbstractDataLink *wifiLink)
{
    // The key exchange belongs to the Wi-Fi transport alone, so it is wired by
    // signature: the board's keys go to its setAesKeys, and its requestAesKeys is
    // answered at once with the key request.
    connect(m_commChannel, SIGNAL(UdpAESKeysReceived(QByteArray, QByteArray)), wifiLink,
            SLOT(setAesKeys(QByteArray, QByteArray)));
    connect(wifiLink, SIGNAL(requestAesKeys()), m_commChannel, SLOT(getAesKey()), Qt::DirectConnection);
}

void DatalinkManager::setWifiSelfTimeout(bool enabled)
{
    if (m_wifiLink && !m_wifiLink->setProperty("selfTimeoutEnabled", QVariant(enabled)))
        qCWarning(lcDatalinkManager) << "The Wi-Fi datalink has no self time-out to switch";
}

void DatalinkManager::datalinkDeleted(QObject *obj)
{
    if (m_usbLink == obj)
        m_usbLink = nullptr;
    if (m_wifiLink == obj)
        m_wifiLink = nullptr;
}

void DatalinkManager::discardDeviceInitTimer()
{
    if (!m_deviceInitTimer)
        return;
    // Stopped first: a time-out already due must not fire before the deletion.
    m_deviceInitTimer->stop();
    m_deviceInitTimer->deleteLater();
    m_deviceInitTimer = nullptr;
}

void DatalinkManager::emitLinkState(AbstractDataLink::LinkType type, AbstractDataLink::DatalinkState state)
{
    switch (type) {
    case AbstractDataLink::USB:
        emit usbLinkStateChanged(state);
        break;
    case AbstractDataLink::WiFi:
        emit wifiLinkStateChanged(state);
        break;
    case AbstractDataLink::Bluetooth:
        emit btLinkStateChanged(state);
        break;
    default:
        break;
    }
}

void DatalinkManager::handleDatalinkState(AbstractDataLink::LinkType type, AbstractDataLink::DatalinkState state)
{
    if (state == AbstractDataLink::Connected) {
        discardDeviceInitTimer();
        m_pendingLinkType = type;
        m_deviceInitTimer = new QTimer(this);
        m_deviceInitTimer->setSingleShot(true);
        connect(m_deviceInitTimer, &QTimer::timeout, this, &DatalinkManager::initDeviceTimeout);
        m_deviceInitTimer->start(m_timings.deviceInfoLimit);
        m_commChannel->requestDeviceInfo(type);
    } else if (state == AbstractDataLink::Invalid) {
        removeDatalink(type);
    }
    emitLinkState(type, state);
}

void DatalinkManager::handleDatalinkVersionReceived(uint16_t dlVersion)
{
    m_datalinkVersion = dlVersion;
}

void DatalinkManager::handleHeartbeatReceived(QString serialNumber, dlComm::Type type, bool activeInterface,
                                              AbstractDataLink::LinkType linkType, int32_t extDevType)
{
    if (linkType == m_activeLinkType && !activeInterface) {
        emit DisconnectDatalinkSignal();
        return;
    }
    discardDeviceInitTimer();
    if (!m_deviceInfoReported) {
        m_deviceInfoReported = true;
        emit deviceInfoReceived(serialNumber, type,
                                m_activeLinkType != AbstractDataLink::None ? m_activeLinkType : m_pendingLinkType,
                                extDevType);
    }
}

void DatalinkManager::setActiveDatalinkConnection(AbstractDataLink::LinkType linkType)
{
    if (linkType == m_activeLinkType)
        return;
    // On the active Wi-Fi link the heartbeat watchdog takes over from its self time-out.
    if (m_wifiLink)
        setWifiSelfTimeout(linkType != AbstractDataLink::WiFi);

    if (linkType == AbstractDataLink::None) {
        m_commChannel->stopHeartbeat();
        m_commChannel->setInterface(AbstractDataLink::None, false);
    } else {
        bool noActiveConnection = false;
        if (m_activeLinkType == AbstractDataLink::None) {
            m_commChannel->startHeartbeat();
            noActiveConnection = true;
        }
        m_commChannel->setInterface(linkType, noActiveConnection);
    }
    qCDebug(lcDatalinkManager).nospace() << "Set datalink to: " << AbstractDataLink::linkTypeName(linkType);
}

void DatalinkManager::handleSetActiveDatalinkReceived(AbstractDataLink::LinkType linkType, bool accepted)
{
    if (!accepted) {
        qCDebug(lcDatalinkManager) << "Could not set active Datalink";
        return;
    }
    if (linkType == AbstractDataLink::WiFi)
        emit wifiConnectionCompleted();
    m_activeLinkType = linkType;
    emit activeLinkTypeChanged(linkType);
    emit isConnected(m_activeLinkType != AbstractDataLink::None);
}

void DatalinkManager::handleHeartbeatWatchdogTimeout()
{
    qCDebug(lcDatalinkManager) << "Heartbeat Timeout";
    m_deviceInfoReported = false;
    if (m_activeLinkType != AbstractDataLink::None) {
        removeDatalink(m_activeLinkType);
    } else {
        m_commChannel->stopHeartbeat();
        emit DisconnectDatalinkSignal();
    }
    emit isConnected(false);
}

void DatalinkManager::initDeviceTimeout()
{
    emit deviceNotAvailable();
}

int DatalinkManager::removeDatalink(AbstractDataLink::LinkType type)
{
    if (type != AbstractDataLink::None && type == m_activeLinkType) {
        m_commChannel->stopHeartbeat();
        emit DisconnectDatalinkSignal();
    }

    AbstractDataLink **held = nullptr;
    if (type == AbstractDataLink::USB)
        held = &m_usbLink;
    else if (type == AbstractDataLink::WiFi)
        held = &m_wifiLink;

    if (held && *held) {
        if (type == AbstractDataLink::WiFi)
            qCDebug(lcDatalinkManager) << "removing wifidatalink from DLManager";
        std::exchange(*held, nullptr)->deleteLater();
        return 0;
    }

    // Reached when the named datalink was already gone: report the board lost once
    // no transport is left.
    if (!m_usbLink && !m_wifiLink) {
        emit isConnected(false);
        emit deviceNotAvailable();
    }
    return 0;
}

void DatalinkManager::write(DatalinkChannelId channel, bool isReliable, QByteArray buffer)
{
    writeToLink(channel, isReliable, buffer, m_activeLinkType);
}

void DatalinkManager::writeToLink(DatalinkChannelId channel, bool isReliable, QByteArray buffer,
                                  AbstractDataLink::LinkType linkType)
{
    AbstractDataLink *datalink = getDatalink(linkType);
    if (!datalink)
        return;
    if (const std::optional<QByteArray> frame = PacketFrame::build(channel, buffer))
        datalink->sendPacket(channel, isReliable, *frame);
}

void DatalinkManager::onUnsupportedDeviceConnected(QString msg)
{
    // Every heartbeat of such a board repeats the complaint, and the board is found
    // again and again, each time by a new manager; the user hears it once per board
    // while the program runs. A board whose transport cannot say where it is, is
    // reported once per manager.
    if (m_unsupportedDeviceReported)
        return;
    m_unsupportedDeviceReported = true;
    const AbstractDataLink *link = m_wifiLink ? m_wifiLink : m_usbLink;
    const QString location = link ? link->boardLocation() : QString();
    if (!location.isEmpty()) {
        static QSet<QString> reportedLocations; // the managers live on the main thread
        if (reportedLocations.contains(location))
            return;
        reportedLocations.insert(location);
    }
    ErrorHandler::instance()->addMessage(
        halvora::ErrorLevel::Error, AbstractNotification::HalvoraLab, tr("Unsupported device"),
        tr("Unsupported device connected: %1\n\nPlease update your Halvora Lab to the latest version.").arg(msg),
        QString(), QDateTime::currentDateTimeUtc());
}
