#include "DeviceDiscovery.h"
#include "MulticastDnsSocket.h"
#include "NetworkDeviceManager.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

#include <memory>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sched.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <mutex>
#include "HalvoraTestPaths.h"

using namespace ostrel::infra;

// Discovery against an independent responder (python3-zeroconf) on a link of its own:
// this process moves into a fresh network namespace, the responder runs in another
// one, and a veth pair joins them. Both namespaces belong to their processes and
// vanish with them, whatever way the test ends.
namespace {

const QString clientInterface = QStringLiteral("hc0");
const QString clientV4 = QStringLiteral("192.0.2.1");
const QString clientV6 = QStringLiteral("fe80::1");
const QString robotV4 = QStringLiteral("192.0.2.2");
const QString robotV6 = QStringLiteral("fe80::2%hc0"); // as the client sees it
const QByteArray browseQuestion = "000000000001000000000000045f737368045f746370056c6f63616c00000c0001";

class RecordingListener final : public DeviceDiscoveryListener
{
public:
    void deviceFound(NetworkDeviceInfo info) override { record("found", info); }
    void deviceLost(NetworkDeviceInfo info) override { record("lost", info); }

    QStringList events() const
    {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

private:
    void record(const char *what, const NetworkDeviceInfo &info)
    {
        const QString line = QStringLiteral("%1 %2 %3 type=%4 serial=%5")
                                 .arg(QLatin1String(what), QString::fromStdString(info.servicename),
                                      QString::fromStdString(info.address),
                                      QString::fromStdString(info.txt.contains("ostrel_device_type")
                                                                 ? info.txtValue("ostrel_device_type")
                                                                 : "(absent)"),
                                      QString::fromStdString(info.txtValue("ostrel_device_serial")));
        std::lock_guard lock(m_mutex);
        m_events << line;
    }

    mutable std::mutex m_mutex;
    QStringList m_events;
};

DeviceDiscovery::Options quickPasses()
{
    DeviceDiscovery::Options options;
    options.pollTimeout = std::chrono::milliseconds(100);
    return options;
}

NetworkDeviceManager::DiscoveryFactory quickDiscovery()
{
    return [](DeviceDiscoveryListener *listener) {
        return std::make_unique<DeviceDiscovery>(listener, NetworkDeviceManager::sshBrowseQuery(), quickPasses());
    };
}

QString describe(const NetworkDevice *device)
{
    return QStringLiteral("%1 %2 port=%3 type=%4 serial=%5 v4=%6 v6=%7")
        .arg(device->servicename(), device->hostname())
        .arg(device->port())
        .arg(device->devicetype(), device->serial(), device->addressv4(), device->addressv6());
}

// The rows of a list are its items' children, not its QObject children.
void findItems(const QQuickItem *parent, QLatin1String name, QList<const QQuickItem *> &found)
{
    for (const QQuickItem *child : parent->childItems()) {
        if (child->objectName() == name)
            found << child;
        findItems(child, name, found);
    }
}

} // namespace

class tst_DiscoveryOnVethPair : public QObject
{
    Q_OBJECT

private:
    QString m_ip;
    QProcess m_responder;

    // Runs ip(8) in this process's namespace.
    bool ip(const QStringList &arguments)
    {
        QProcess process;
        process.start(m_ip, arguments);
        if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit
            || process.exitCode() != 0) {
            qWarning().noquote() << "ip" << arguments.join(' ') << "failed:" << process.readAllStandardError();
            return false;
        }
        return true;
    }

    bool linkIsUp()
    {
        QProcess process;
        process.start(m_ip, {"-o", "link", "show", "dev", clientInterface});
        process.waitForFinished(5000);
        return process.readAllStandardOutput().contains(" state UP ");
    }

    QString readResponderLine()
    {
        QElapsedTimer timer;
        timer.start();
        while (!m_responder.canReadLine() && timer.elapsed() < 15000)
            m_responder.waitForReadyRead(100);
        return QString::fromUtf8(m_responder.readLine()).trimmed();
    }

    // One command to the responder; its reply line, or the reason it failed.
    QString responder(const QString &command)
    {
        m_responder.write(command.toUtf8() + '\n');
        return readResponderLine();
    }

private slots:
    void initTestCase()
    {
        if (!QFile::exists(QStringLiteral("/usr/bin/python3")))
            QSKIP("/usr/bin/python3 is not installed: no multicast DNS responder to test against");
        if (QProcess::execute(QStringLiteral("/usr/bin/python3"), {"-c", "import zeroconf"}) != 0)
            QSKIP("python3-zeroconf is not installed: no multicast DNS responder to test against");
        const QStringList sbin{"/usr/sbin", "/sbin", "/usr/bin", "/bin"};
        m_ip = QStandardPaths::findExecutable(QStringLiteral("ip"));
        if (m_ip.isEmpty())
            m_ip = QStandardPaths::findExecutable(QStringLiteral("ip"), sbin);
        const QString unshareTool = QStandardPaths::findExecutable(QStringLiteral("unshare"), sbin);
        if (m_ip.isEmpty() || unshareTool.isEmpty())
            QSKIP("ip (iproute2) or unshare (util-linux) is missing: cannot build the test network");

        // From here on this process, and every thread and child it starts, lives in a
        // network namespace of its own that holds only loopback.
        if (unshare(CLONE_NEWNET) != 0)
            QSKIP(qPrintable(QStringLiteral("cannot create a network namespace (%1); it takes root or "
                                            "CAP_SYS_ADMIN, which this machine does not grant")
                                 .arg(QString::fromLocal8Bit(std::strerror(errno)))));
        QVERIFY(ip({"link", "set", "lo", "up"}));

        m_responder.setProgram(unshareTool);
        m_responder.setArguments({"--net", "/usr/bin/python3",
                                  QStringLiteral(HALVORA_SOURCE_DIR)
                                      + "/tests/qml/RobotCommunication/mdns_responder.py"});
        m_responder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_responder.start();
        QVERIFY2(m_responder.waitForStarted(10000), qPrintable(m_responder.errorString()));
        const QString ready = readResponderLine();
        if (!ready.startsWith(QStringLiteral("ready ")))
            QSKIP(qPrintable("the responder could not get a network namespace of its own: " + ready));
        const QString pid = ready.section(' ', 1, 1);

        QVERIFY(ip({"link", "add", clientInterface, "type", "veth", "peer", "name", "hr0", "netns", pid}));
        QVERIFY(ip({"link", "set", clientInterface, "addrgenmode", "none"}));
        QVERIFY(ip({"addr", "add", clientV4 + "/24", "dev", clientInterface}));
        QVERIFY(ip({"-6", "addr", "add", clientV6 + "/64", "dev", clientInterface, "nodad"}));
        QVERIFY(ip({"link", "set", clientInterface, "multicast", "on", "up"}));
        QCOMPARE(responder("link hr0 192.0.2.2/24 fe80::2/64"), QStringLiteral("ok"));
        // The kernel drops what is sent before it reports the link up (a question sent
        // once would be lost); wait for that on this end too.
        QTRY_VERIFY_WITH_TIMEOUT(linkIsUp(), 5000);
        QCOMPARE(responder("start"), QStringLiteral("ok"));
    }

    void cleanupTestCase()
    {
        if (m_responder.state() == QProcess::NotRunning)
            return;
        m_responder.write("quit\n");
        if (!m_responder.waitForFinished(5000)) {
            m_responder.kill();
            m_responder.waitForFinished(5000);
        }
    }

    // The question leaves on every local address, to the group of its family, and
    // stopping does not wait out the ten-second wait for datagrams.
    void questionOnEveryAddress()
    {
        RecordingListener listener;
        auto discovery = std::make_unique<DeviceDiscovery>(&listener, NetworkDeviceManager::sshBrowseQuery());
        discovery->start();

        QCOMPARE(responder("question " + clientV4 + " 5353"), "ok " + browseQuestion);
        QCOMPARE(responder("question " + clientV6 + " 5353"), "ok " + browseQuestion);

        QElapsedTimer stopping;
        stopping.start();
        discovery.reset();
        QVERIFY2(stopping.elapsed() < 2000, qPrintable(QStringLiteral("stop took %1 ms").arg(stopping.elapsed())));
    }

    // A socket bound to another port than 5353 asks for unicast answers.
    void questionFromAnotherPort()
    {
        const int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        QVERIFY(socket >= 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(5354);
        QCOMPARE(bind(socket, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        in_addr interface {
        };
        inet_pton(AF_INET, "192.0.2.1", &interface);
        QCOMPARE(setsockopt(socket, IPPROTO_IP, IP_MULTICAST_IF, &interface, sizeof interface), 0);

        const BrowseQuery query = NetworkDeviceManager::sshBrowseQuery();
        std::array<std::uint8_t, 2048> buffer{};
        QCOMPARE(sendQuery(socket, std::span(&query, 1), buffer, 9), 9);
        closeSocket(socket);
        QByteArray expected = "0009" + browseQuestion.mid(4);
        expected.replace(expected.size() - 4, 2, "80");
        QCOMPARE(responder("question " + clientV4 + " 5354"), "ok " + expected);
    }

    // A robot announced on the link becomes one device with both of its addresses, and
    // its goodbye removes it.
    void robotFoundAndLost()
    {
        NetworkDeviceManager manager(quickDiscovery());
        QCOMPARE(responder("register robot-a 22 ostrel_device_type=zx ostrel_device_serial=42"), QStringLiteral("ok"));

        const QString both = "robot-a robot-a.local port=22 type=zx serial=42 v4=" + robotV4 + " v6=" + robotV6;
        QTRY_COMPARE_WITH_TIMEOUT(manager.deviceList().size(), 1, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(describe(manager.deviceList().first()), both, 10000);

        QCOMPARE(responder("unregister robot-a"), QStringLiteral("ok"));
        QTRY_COMPARE_WITH_TIMEOUT(manager.deviceList().size(), 0, 10000);
    }

    // Only TXT records with both device keys complete a robot: a key without "=" does
    // not count, a key with "=" and no value does.
    void txtKeysCompleteARobot()
    {
        RecordingListener listener;
        DeviceDiscovery discovery(&listener, NetworkDeviceManager::sshBrowseQuery(), quickPasses());
        discovery.start();

        QCOMPARE(responder("register robot-b 22 ostrel_device_type= ostrel_device_serial"), QStringLiteral("ok"));
        // Robot C comes after B on the same link: once C is in, B's records have been read.
        QCOMPARE(responder("register robot-c 2222 ostrel_device_type=zx ostrel_device_serial=9"), QStringLiteral("ok"));
        QTRY_VERIFY_WITH_TIMEOUT(listener.events().contains("found robot-c " + robotV4 + " type=zx serial=9"), 10000);
        QVERIFY2(!listener.events().join('\n').contains("robot-b"), qPrintable(listener.events().join('\n')));

        QCOMPARE(responder("update robot-b ostrel_device_type= ostrel_device_serial=7"), QStringLiteral("ok"));
        QTRY_VERIFY_WITH_TIMEOUT(listener.events().contains("found robot-b " + robotV4 + " type= serial=7"), 10000);

        QCOMPARE(responder("unregister robot-b"), QStringLiteral("ok"));
        QCOMPARE(responder("unregister robot-c"), QStringLiteral("ok"));
        QTRY_VERIFY_WITH_TIMEOUT(listener.events().contains("lost robot-c " + robotV4 + " type=zx serial=9"), 10000);
    }

    // When the local address a robot was heard on goes away, the robot is lost on it;
    // the device stays listed while its other address family still reaches it.
    void localAddressRemoved()
    {
        NetworkDeviceManager manager(quickDiscovery());
        QCOMPARE(responder("register robot-d 22 ostrel_device_type=zx ostrel_device_serial=4"), QStringLiteral("ok"));
        const QString both = "robot-d robot-d.local port=22 type=zx serial=4 v4=" + robotV4 + " v6=" + robotV6;
        QTRY_COMPARE_WITH_TIMEOUT(manager.deviceList().size(), 1, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(describe(manager.deviceList().first()), both, 10000);

        QVERIFY(ip({"addr", "del", clientV4 + "/24", "dev", clientInterface}));
        const auto restore = qScopeGuard([&] { ip({"addr", "add", clientV4 + "/24", "dev", clientInterface}); });
        QTRY_COMPARE_WITH_TIMEOUT(describe(manager.deviceList().first()),
                                  "robot-d robot-d.local port=22 type=zx serial=4 v4= v6=" + robotV6, 10000);
        QCOMPARE(manager.deviceList().size(), 1);
        QCOMPARE(responder("unregister robot-d"), QStringLiteral("ok"));
    }

    // The robot discovery screen, with the manager it makes itself, lists the robot
    // announced on the link and lets it go with its goodbye.
    void discoveryScreenListsTheRobot()
    {
        QQmlEngine engine;
        engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
        QQuickWindow window;
        window.resize(1400, 600);
        QQmlComponent component(&engine);
        component.setData("import ostrel.RobotCommunication 1.0\nSsh { width: 1400; height: 600 }\n", QUrl());
        std::unique_ptr<QObject> screen(component.create());
        QVERIFY2(screen, qPrintable(component.errorString()));
        qobject_cast<QQuickItem *>(screen.get())->setParentItem(window.contentItem());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QCOMPARE(responder("register robot-e 22 ostrel_device_type=zx ostrel_device_serial=5"), QStringLiteral("ok"));
        auto *rows = screen->property("table").value<QObject *>()->property("listView").value<QQuickItem *>();
        QVERIFY(rows);
        // The cells of the robot's row, "(no row)" while it has none (robots of earlier
        // cases may still be listed).
        const auto cells = [rows] {
            QList<const QQuickItem *> hostnames;
            findItems(rows, QLatin1String("hostnameCell"), hostnames);
            for (const QQuickItem *hostname : std::as_const(hostnames)) {
                if (hostname->property("text").toString() != QLatin1String("robot-e"))
                    continue;
                const QQuickItem *row = hostname->parentItem();
                QStringList texts;
                for (const char *name : {"serialCell", "typeCell", "ipv4Cell", "ipv6Cell"}) {
                    QList<const QQuickItem *> found;
                    findItems(row, QLatin1String(name), found);
                    texts << (found.size() == 1 ? found.first()->property("text").toString() : QStringLiteral("?"));
                }
                return texts.join(QLatin1Char(' '));
            }
            return QStringLiteral("(no row)");
        };
        QTRY_COMPARE_WITH_TIMEOUT(cells(), "5 zx " + robotV4 + " " + robotV6, 10000);

        QCOMPARE(responder("unregister robot-e"), QStringLiteral("ok"));
        QTRY_COMPARE_WITH_TIMEOUT(cells(), QStringLiteral("(no row)"), 10000);
    }
};

QTEST_MAIN(tst_DiscoveryOnVethPair)
#include "tst_DiscoveryOnVethPair.moc"
