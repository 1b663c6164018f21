#include "DatalinkManager.h"
#include "OstDevice.h"
#include "Zelto.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

// A device as its manager reports it: identified once, connected by the manager's
// word, asking to be removed when its board is gone; and the hand-over of an
// identified pending device to its board object.
class tst_OstDevice : public QObject
{
    Q_OBJECT

private slots:
    void identificationIsReportedOnceInOrder_data()
    {
        QTest::addColumn<int>("heartbeatType");
        QTest::addColumn<int>("deviceType");
        QTest::newRow("controller board") << 1 << int(OstDevice::Zelto);
        QTest::newRow("second device model") << 2 << int(OstDevice::Wendolix);
        QTest::newRow("unknown type") << 7 << int(OstDevice::None);
    }
    void identificationIsReportedOnceInOrder()
    {
        QFETCH(int, heartbeatType);
        QFETCH(int, deviceType);
        OstDevice device(nullptr);
        QCOMPARE(device.serialNumber(), QString("Identifying..."));
        QCOMPARE(device.getFirmwareVersion(), QString("Undefined"));
        QCOMPARE(device.extendedDeviceType(), ostdevice::ReadError);

        QStringList order;
        connect(&device, &OstDevice::DeviceTypeUpdated, this, [&order] { order << "DeviceTypeUpdated"; });
        connect(&device, &OstDevice::ExtendedDeviceTypeUpdated, this,
                [&order] { order << "ExtendedDeviceTypeUpdated"; });
        connect(&device, &OstDevice::SerialNumberChanged, this, [&order] { order << "SerialNumberChanged"; });
        connect(&device, &OstDevice::DeviceInfoUpdated, this, [&order] { order << "DeviceInfoUpdated"; });
        QSignalSpy info(&device, &OstDevice::DeviceInfoUpdated);
        DatalinkManager *manager = device.getDatalinkManager();
        emit manager->deviceInfoReceived("ZB-2201", dlComm::Type(heartbeatType), AbstractDataLink::USB, 22);
        emit manager->deviceInfoReceived("OTHER", dlComm::Type(heartbeatType), AbstractDataLink::WiFi, 3);

        QStringList once{"DeviceTypeUpdated", "ExtendedDeviceTypeUpdated", "SerialNumberChanged", "DeviceInfoUpdated"};
        // A device whose type is not known yet keeps listening for its identity.
        QCOMPARE(order, deviceType == OstDevice::None ? once + once : once);
        QCOMPARE(info.count(), deviceType == OstDevice::None ? 2 : 1);
        QCOMPARE(info[0][1].value<OstDevice::DeviceType>(), OstDevice::DeviceType(deviceType));
        QCOMPARE(info[0][2].value<AbstractDataLink::LinkType>(), AbstractDataLink::USB);
        QCOMPARE(device.serialNumber(), QString(deviceType == OstDevice::None ? "OTHER" : "ZB-2201"));
        QCOMPARE(device.deviceType(), OstDevice::DeviceType(deviceType));
    }

    void managerReportsReachTheDevice()
    {
        OstDevice device(nullptr);
        DatalinkManager *manager = device.getDatalinkManager();
        QSignalSpy removal(&device, &OstDevice::RequestDeleteSelf);
        QSignalSpy connected(&device, &OstDevice::DeviceConnectStateUpdated);
        emit manager->isConnected(true);
        emit manager->isConnected(true);
        QVERIFY(device.isConnected());
        QCOMPARE(connected.count(), 1);
        emit manager->deviceNotAvailable();
        emit manager->DisconnectDatalinkSignal();
        QCOMPARE(removal.count(), 2);
        emit manager->isConnected(false);
        QCOMPARE(connected.count(), 2);
        QCOMPARE(connected[1][1].toBool(), false);
    }

    void boardObjectTakesOverThePendingDevice()
    {
        QObject factory;
        auto *pending = new OstDevice(&factory);
        QPointer<DatalinkManager> manager = pending->getDatalinkManager();
        emit manager->deviceInfoReceived("ZB-2201", 1, AbstractDataLink::USB, 13);
        QSignalSpy pendingRemoval(pending, &OstDevice::RequestDeleteSelf);
        QSignalSpy pendingConnected(pending, &OstDevice::IsConnectedChanged);

        auto *board = new Zelto(pending);
        QCOMPARE(board->parent(), &factory);
        QCOMPARE(board->getDatalinkManager(), manager.data());
        QCOMPARE(manager->parent(), board);
        QCOMPARE(board->serialNumber(), QString("ZB-2201"));
        QCOMPARE(board->deviceType(), OstDevice::Zelto);
        QCOMPARE(board->extendedDeviceType(), ostdevice::Tavrin);
        QCOMPARE(pending->getDatalinkManager(), nullptr);
        QCOMPARE(pending->addDatalink(nullptr), -1);

        // The manager speaks to the board now; the empty shell hears nothing.
        QSignalSpy boardRemoval(board, &OstDevice::RequestDeleteSelf);
        QSignalSpy boardConnected(board, &OstDevice::IsConnectedChanged);
        emit manager->isConnected(true);
        emit manager->deviceNotAvailable();
        QCOMPARE(boardConnected.count(), 1);
        QCOMPARE(boardRemoval.count(), 1);
        QCOMPARE(pendingConnected.count(), 0);
        QCOMPARE(pendingRemoval.count(), 0);

        delete pending;
        QVERIFY(manager);
        delete board;
        QVERIFY(!manager);
    }
};

QTEST_MAIN(tst_OstDevice)
#include "tst_OstDevice.moc"
