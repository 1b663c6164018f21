#include "NetworkDeviceManager.h"

#include <QPointer>
#include <QSet>
#include <QTest>

#include <thread>

using ostrel::infra::AddressFamily;
using ostrel::infra::NetworkDeviceInfo;

namespace {

// "found v4 alpha 42 22 10.0.0.5": a report of the discovery engine.
struct Report
{
    bool found = true;
    NetworkDeviceInfo info;
};

Report parse(const QString &line)
{
    const QStringList words = line.split(' ');
    Report report;
    report.found = words.at(0) == "found";
    NetworkDeviceInfo &info = report.info;
    info.family = words.at(1) == "v4" ? AddressFamily::IPv4 : AddressFamily::IPv6;
    info.servicename = words.at(2).toStdString();
    info.hostname = info.servicename + ".local";
    info.txt["ostrel_device_type"] = "zx";
    info.txt["ostrel_device_serial"] = words.at(3).toStdString();
    info.port = std::uint16_t(words.at(4).toUInt());
    info.address = words.at(5).toStdString();
    return report;
}

QString describe(const NetworkDevice *device)
{
    return QStringLiteral("%1 %2 %3 v4=%4 v6=%5")
        .arg(device->servicename(), device->serial())
        .arg(device->port())
        .arg(device->addressv4(), device->addressv6());
}

NetworkDeviceManager::DiscoveryFactory noDiscovery()
{
    return [](ostrel::infra::DeviceDiscoveryListener *) { return nullptr; };
}

// Reports come from the discovery thread; here from a thread of the test's own.
void reportFromAnotherThread(NetworkDeviceManager &manager, const QStringList &reports)
{
    std::thread discovery([&] {
        for (const QString &line : reports) {
            Report report = parse(line);
            if (report.found)
                manager.deviceFound(std::move(report.info));
            else
                manager.deviceLost(std::move(report.info));
        }
    });
    discovery.join();
}

} // namespace

class tst_NetworkDeviceManager : public QObject
{
    Q_OBJECT

private slots:
    void reportsBecomeDevices_data()
    {
        QTest::addColumn<QStringList>("reports");
        QTest::addColumn<QStringList>("devices");
        QTest::addColumn<QString>("signalCounts");

        QTest::newRow("IPv4, then IPv6 of the same robot")
            << QStringList{"found v4 alpha 42 22 10.0.0.5", "found v6 alpha 42 22 fe80::5%eth0"}
            << QStringList{"alpha 42 22 v4=10.0.0.5 v6=fe80::5%eth0"} << "list=1 v4=0 v6=1";
        QTest::newRow("robots in the order found")
            << QStringList{"found v4 bravo 7 22 10.0.0.7", "found v6 alpha 42 22 fe80::5%eth0"}
            << QStringList{"bravo 7 22 v4=10.0.0.7 v6=", "alpha 42 22 v4= v6=fe80::5%eth0"} << "list=2 v4=0 v6=0";
        QTest::newRow("a different port is another device")
            << QStringList{"found v4 alpha 42 22 10.0.0.5", "found v4 alpha 42 2222 10.0.0.5"}
            << QStringList{"alpha 42 22 v4=10.0.0.5 v6=", "alpha 42 2222 v4=10.0.0.5 v6="} << "list=2 v4=0 v6=0";
        QTest::newRow("a new address of the same family replaces the old one")
            << QStringList{"found v4 alpha 42 22 10.0.0.5", "found v4 alpha 42 22 10.0.0.6"}
            << QStringList{"alpha 42 22 v4=10.0.0.6 v6="} << "list=1 v4=1 v6=0";
        QTest::newRow("losing the only address removes the device")
            << QStringList{"found v4 alpha 42 22 10.0.0.5", "lost v4 alpha 42 22 10.0.0.5"} << QStringList{}
            << "list=2 v4=0 v6=0";
        QTest::newRow("losing IPv4 keeps a robot still heard over IPv6")
            << QStringList{"found v4 alpha 42 22 10.0.0.5", "found v6 alpha 42 22 fe80::5%eth0",
                           "lost v4 alpha 42 22 10.0.0.5"}
            << QStringList{"alpha 42 22 v4= v6=fe80::5%eth0"} << "list=1 v4=1 v6=1";
        QTest::newRow("found again over the lost family")
            << QStringList{"found v4 alpha 42 22 10.0.0.5", "found v6 alpha 42 22 fe80::5%eth0",
                           "lost v6 alpha 42 22 fe80::5%eth0", "found v6 alpha 42 22 fe80::5%eth0"}
            << QStringList{"alpha 42 22 v4=10.0.0.5 v6=fe80::5%eth0"} << "list=1 v4=0 v6=3";
        QTest::newRow("losing both families removes the device")
            << QStringList{"found v4 alpha 42 22 10.0.0.5", "found v6 alpha 42 22 fe80::5%eth0",
                           "lost v6 alpha 42 22 fe80::5%eth0", "lost v4 alpha 42 22 10.0.0.5"}
            << QStringList{} << "list=2 v4=0 v6=2";
        QTest::newRow("a lost report with another address leaves the device")
            << QStringList{"found v4 alpha 42 22 10.0.0.5", "lost v4 alpha 42 22 10.0.0.6"}
            << QStringList{"alpha 42 22 v4=10.0.0.5 v6="} << "list=1 v4=0 v6=0";
        QTest::newRow("a lost report of another robot leaves the device")
            << QStringList{"found v4 alpha 42 22 10.0.0.5", "lost v4 alpha 43 22 10.0.0.5"}
            << QStringList{"alpha 42 22 v4=10.0.0.5 v6="} << "list=1 v4=0 v6=0";
    }
    void reportsBecomeDevices()
    {
        QFETCH(QStringList, reports);
        QFETCH(QStringList, devices);
        QFETCH(QString, signalCounts);

        NetworkDeviceManager manager(noDiscovery());
        int listUpdates = 0, v4Updates = 0, v6Updates = 0;
        QSet<NetworkDevice *> watched;
        connect(&manager, &NetworkDeviceManager::deviceListUpdated, this, [&] {
            ++listUpdates;
            for (NetworkDevice *device : manager.deviceList()) {
                if (watched.contains(device))
                    continue;
                watched.insert(device);
                connect(device, &NetworkDevice::addressV4Updated, this, [&] { ++v4Updates; });
                connect(device, &NetworkDevice::addressV6Updated, this, [&] { ++v6Updates; });
            }
        });

        reportFromAnotherThread(manager, reports);
        QVERIFY(manager.deviceList().isEmpty()); // handed over, not yet applied
        QCoreApplication::sendPostedEvents();

        QStringList listed;
        QQmlListProperty<NetworkDevice> property = manager.devices();
        for (qsizetype i = 0; i < property.count(&property); ++i) {
            NetworkDevice *device = property.at(&property, i);
            QCOMPARE(device->parent(), &manager);
            listed << describe(device);
        }
        QCOMPARE(listed, devices);
        QCOMPARE(QStringLiteral("list=%1 v4=%2 v6=%3").arg(listUpdates).arg(v4Updates).arg(v6Updates), signalCounts);
    }

    void sameWithoutAddressIgnoresTheAddress()
    {
        NetworkDevice device(parse("found v4 alpha 42 22 10.0.0.5").info, nullptr);
        const NetworkDeviceInfo other = parse("found v6 alpha 42 22 fe80::1").info;
        QVERIFY(device.sameWithoutAddress(&other));
        QVERIFY(!device.matches(other));
        const NetworkDeviceInfo renamed = parse("found v4 Alpha 42 22 10.0.0.5").info;
        QVERIFY(!device.sameWithoutAddress(&renamed));
        QVERIFY(!device.sameWithoutAddress(nullptr));
        // Readable from QML through the meta-object system as well.
        bool same = false;
        QVERIFY(QMetaObject::invokeMethod(&device, "sameWithoutAddress", Q_RETURN_ARG(bool, same),
                                          Q_ARG(const ostrel::infra::NetworkDeviceInfo *, &other)));
        QVERIFY(same);
    }

    void destroyingTheManagerDeletesItsDevices()
    {
        auto manager = std::make_unique<NetworkDeviceManager>(noDiscovery());
        reportFromAnotherThread(*manager, {"found v4 alpha 42 22 10.0.0.5"});
        QCoreApplication::sendPostedEvents();
        QCOMPARE(manager->deviceList().size(), 1);
        const QPointer<NetworkDevice> device = manager->deviceList().first();

        // A report still queued when the manager goes is dropped with it.
        reportFromAnotherThread(*manager, {"found v4 bravo 7 22 10.0.0.7"});
        manager.reset();
        QVERIFY(device.isNull());
        QCoreApplication::sendPostedEvents();
    }
};

QTEST_GUILESS_MAIN(tst_NetworkDeviceManager)
#include "tst_NetworkDeviceManager.moc"
