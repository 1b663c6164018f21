#pragma once

#include "OstFactorySettings.h"

#include <QHostAddress>
#include <QTcpServer>

#include <chrono>

// Device factory settings for tests whose boards come in over in-process links:
// short link timers, status polls and reconnection attempts, an external-mode bridge
// on a port the system picks, and Wi-Fi attempts that reach no board (a loopback
// port where none listens, and a fallback address where there is none). bus is the
// USB bus the factory watches, usually an empty fake one.
inline OstFactorySettings inProcessFactorySettings(UsbBackend *bus)
{
    using namespace std::chrono_literals;
    QTcpServer probe; // a port where no board listens
    probe.listen(QHostAddress::LocalHost);
    OstFactorySettings settings;
    settings.linkTimings.heartbeatInterval = 20ms;
    settings.linkTimings.heartbeatWatchdog = 300ms;
    settings.linkTimings.deviceInfoLimit = 300ms;
    settings.board.statusPollInterval = 50ms;
    settings.board.externalModePort = 0;
    settings.board.wifiLink.fallbackBoardAddress = QStringLiteral("127.0.0.9");
    settings.board.wifiLink.streamPort = probe.serverPort();
    settings.board.wifiLink.localDatagramPort = 0;
    settings.reconnectInterval = 50ms;
    settings.usbBackend = bus;
    return settings;
}
