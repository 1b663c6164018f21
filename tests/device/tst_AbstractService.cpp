#include "AbstractService.h"
#include "BoardSimulator.h"
#include "DatalinkManager.h"
#include "PacketFrame.h"
#include "SimulatorDataLink.h"

#include <QSignalSpy>
#include <QTest>

#include <map>
#include <memory>

namespace {

// A service that records the payloads it is handed.
class RecordingService : public AbstractService
{
    Q_OBJECT

public:
    using AbstractService::AbstractService;
    using AbstractService::sendPayload;

    QList<QByteArray> received;

protected slots:
    void dataReady(QByteArray packet) override { received.append(packet); }
    void start() override {}
    void pause() override {}
    void initialize() override {}
};

LinkTimings hostTimings()
{
    LinkTimings timings;
    timings.heartbeatInterval = std::chrono::milliseconds(20);
    timings.heartbeatWatchdog = std::chrono::milliseconds(500);
    timings.deviceInfoLimit = std::chrono::milliseconds(500);
    return timings;
}

} // namespace

// The channel services' common base: each service sees only the payloads of its own
// channel, and its payloads leave through the manager with its channel and flag.
class tst_AbstractService : public QObject
{
    Q_OBJECT

private slots:
    void deliversOnlyTheServicesOwnChannel_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("receiver"); // -1: no service

        QTest::newRow("control") << 1 << 1;
        QTest::newRow("update") << 4 << 4;
        QTest::newRow("external mode") << 5 << 5;
        QTest::newRow("error channel") << 6 << 6;
        QTest::newRow("file service") << 9 << 9;
        QTest::newRow("unused 7") << 7 << -1;
        QTest::newRow("link protocol") << 0 << -1;
        QTest::newRow("high channel with a service's low byte") << 0x0106 << -1;
    }

    void deliversOnlyTheServicesOwnChannel()
    {
        QFETCH(int, channel);
        QFETCH(int, receiver);

        DatalinkManager manager;
        std::map<int, RecordingService *> services;
        for (int number : {1, 4, 5, 6, 9})
            services[number] = new RecordingService(&manager, DatalinkChannelId(number), true, &manager);

        const QByteArray payload("\x01\x02\x03", 3);
        emit manager.DataReady(uint16_t(channel), payload);

        for (const auto &[number, service] : services) {
            if (number == receiver)
                QCOMPARE(service->received, QList<QByteArray>{payload});
            else
                QVERIFY2(service->received.isEmpty(), qPrintable(QString("service %1 got a payload").arg(number)));
        }
    }

    void writeCarriesTheServicesChannelAndFlag()
    {
        RecordingService service(nullptr, 3, false, nullptr);
        QSignalSpy written(&service, &AbstractService::write);
        service.sendPayload("abc");
        QCOMPARE(written.size(), 1);
        QCOMPARE(written[0][0].value<DatalinkChannelId>(), DatalinkChannelId(3));
        QCOMPARE(written[0][1].toBool(), false);
    }

    // Both ways through a real manager and datalink to the board simulator.
    void payloadsTravelBothWaysThroughTheBoard()
    {
        const int channel = 7; // no service of the board listens there

        BoardSettings settings;
        settings.heartbeatInterval = std::chrono::milliseconds(20);
        BoardSimulator board(settings);
        DatalinkManager manager(nullptr, hostTimings());
        auto *link = new SimulatorDataLink(AbstractDataLink::USB, &board);
        QSignalSpy info(&manager, &DatalinkManager::deviceInfoReceived);
        manager.addDatalink(link);
        QVERIFY(info.wait(2000));
        QSignalSpy active(&manager, &DatalinkManager::activeLinkTypeChanged);
        manager.setActiveDatalinkConnection(AbstractDataLink::USB);
        QVERIFY(active.wait(2000));

        RecordingService service(&manager, DatalinkChannelId(channel), true, &manager);
        RecordingService neighbour(&manager, DatalinkChannelId(channel + 1), true, &manager);

        QSignalSpy boardReceived(&board, &BoardSimulator::frameReceived);
        const QByteArray request(PacketFrame::MaxPayloadSize, 'q');
        service.sendPayload(request);
        QTRY_VERIFY_WITH_TIMEOUT(boardReceived.size() >= 1, 2000);
        bool seen = false;
        for (const QList<QVariant> &frame : boardReceived)
            if (frame[1].value<uint16_t>() == channel) {
                QCOMPARE(frame[2].toByteArray(), request);
                seen = true;
            }
        QVERIFY(seen);

        const QByteArray answer("answer");
        board.send(link->boardLink(), uint16_t(channel), answer, true);
        QTRY_COMPARE_WITH_TIMEOUT(service.received, QList<QByteArray>{answer}, 2000);
        QVERIFY(neighbour.received.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_AbstractService)
#include "tst_AbstractService.moc"
