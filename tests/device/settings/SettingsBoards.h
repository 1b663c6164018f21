#pragma once

#include "BoardControlChannel.h"
#include "HardwareSettings.h"
#include "HwSettingsGUI.h"
#include "NetworkBoard.h"
#include "OstFactory.h"
#include "WifiTestCertificates.h"
#include "Zelto.h"

#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

// Simulated boards on loopback addresses behind TLS, a device factory that connects
// to them, and the hardware settings following the factory's selected board as the
// application object connects them.
class SettingsBoards
{
public:
    explicit SettingsBoards(std::chrono::milliseconds queryTimeout = std::chrono::milliseconds(1500))
        : m_queryTimeout(queryTimeout)
    {
    }

    // Makes the certificates; false with the reason when that fails.
    bool prepare(QString *error)
    {
        if (!m_folder.isValid()) {
            *error = QStringLiteral("no temporary folder");
            return false;
        }
        if (!m_certificates.create(m_folder.path(), error))
            return false;
        m_network = NetworkBoard::networkSettings(m_certificates, true);
        return true;
    }

    // A board on its own loopback address; every board listens on the ports of the first.
    NetworkBoard *addBoard(const QByteArray &serial, const QString &address)
    {
        BoardSettings board;
        board.serialNumber = serial;
        board.heartbeatInterval = std::chrono::milliseconds(50);
        WifiBoardSettings network = m_network;
        network.address = QHostAddress(address);
        m_boards.push_back(std::make_unique<NetworkBoard>(board, network));
        NetworkBoard *added = m_boards.back().get();
        QString error;
        if (!added->transport.start(&error))
            qFatal("The simulated board cannot start: %s", qPrintable(error));
        m_network.streamPort = added->transport.streamPort();
        m_network.datagramPort = added->transport.datagramPort();
        control(added)->state().wifiAddress = BoardControlState::wifiAddressRecord(added->address().toIPv4Address());
        return added;
    }

    // The factory and the settings, wired as in the program.
    void start()
    {
        OstFactorySettings settings;
        settings.linkTimings.heartbeatInterval = std::chrono::milliseconds(50);
        // The boards stay plugged in for the whole run: patient limits, as a busy
        // machine can hold the event loop (loading a screen under the sanitizers) for
        // seconds, and a lost board would be made again in the middle of a test.
        settings.linkTimings.heartbeatWatchdog = std::chrono::milliseconds(15000);
        settings.linkTimings.deviceInfoLimit = std::chrono::milliseconds(15000);
        settings.board.statusPollInterval = std::chrono::milliseconds(200);
        settings.board.externalModePort = 0;
        settings.board.wifiLink = m_boards.front()->linkSettings(m_certificates);
        settings.board.wifiLink.fallbackBoardAddress = QStringLiteral("127.0.0.9");
        settings.reconnectInterval = std::chrono::milliseconds(200);
        m_factory = std::make_unique<OstFactory>(nullptr, settings);
        m_settings = std::make_unique<HardwareSettings>(nullptr, m_queryTimeout);
        QObject::connect(m_factory.get(), &OstFactory::ActiveDeviceChanged, m_settings.get(),
                         &HardwareSettings::setOstDevice);
    }

    // Connects to the board at address and waits until it is connected.
    QPointer<Zelto> connectBoard(const QString &address, const QString &serial)
    {
        m_factory->insertNetworkOstDevice(address);
        const auto named = [&]() -> Zelto * {
            for (Zelto *board : m_factory->deviceList())
                if (board->serialNumber() == serial && board->isConnected())
                    return board;
            return nullptr;
        };
        if (!QTest::qWaitFor([&] { return named() != nullptr; }, 15000))
            return nullptr;
        return named();
    }

    static BoardControlChannel *control(NetworkBoard *board)
    {
        return static_cast<BoardControlChannel *>(board->simulator.channel(1));
    }

    OstFactory *factory() const { return m_factory.get(); }
    HardwareSettings *settings() const { return m_settings.get(); }
    HwSettingsGUI *gui() const { return m_settings->gui(); }
    const WifiTestCertificates &certificates() const { return m_certificates; }

    // Boards go after the factory, whose links lead to them.
    ~SettingsBoards()
    {
        m_settings.reset();
        m_factory.reset();
        m_boards.clear();
    }

private:
    std::chrono::milliseconds m_queryTimeout;
    QTemporaryDir m_folder;
    WifiTestCertificates m_certificates;
    WifiBoardSettings m_network;
    std::vector<std::unique_ptr<NetworkBoard>> m_boards;
    std::unique_ptr<OstFactory> m_factory;
    std::unique_ptr<HardwareSettings> m_settings;
};
