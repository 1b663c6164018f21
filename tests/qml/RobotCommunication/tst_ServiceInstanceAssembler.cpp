#include "DnsDatagramBuilder.h"
#include "ServiceInstanceAssembler.h"

#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>

using namespace ostrel::infra;

namespace {

const QByteArray service = "_ssh._tcp.local";

QByteArray instanceName(const QByteArray &instance)
{
    return instance + "." + service;
}

// Records as a robot sends them; a datagram is a list of records.
QByteArray ptr(const QByteArray &instance, std::uint32_t ttl = 4500, const QByteArray &owner = service)
{
    return DnsDatagramBuilder().record(owner, 12, ttl, DnsDatagramBuilder::nameBytes(instanceName(instance))).data();
}
QByteArray srv(const QByteArray &instance, std::uint32_t ttl = 120, std::uint16_t port = 22,
               const QByteArray &owner = {})
{
    return DnsDatagramBuilder()
        .record(owner.isEmpty() ? instanceName(instance) : owner, 33, ttl,
                DnsDatagramBuilder::srvData(0, 0, port, instance + ".local"))
        .data();
}
QByteArray txt(const QByteArray &instance, std::initializer_list<QByteArray> strings, std::uint32_t ttl = 4500,
               const QByteArray &owner = {})
{
    return DnsDatagramBuilder()
        .record(owner.isEmpty() ? instanceName(instance) : owner, 16, ttl, DnsDatagramBuilder::txtData(strings))
        .data();
}
QByteArray fullTxt(const QByteArray &instance, const QByteArray &serial = "42")
{
    return txt(instance, {"ostrel_device_type=zx", "ostrel_device_serial=" + serial});
}

struct Step
{
    QByteArrayList records; // one datagram
    QByteArray sender = "192.0.2.2";
    int socket = 3;
    int forgetSocket = -1; // instead of a datagram: the socket's address went away
};

Step datagram(QByteArrayList records, const QByteArray &sender = "192.0.2.2", int socket = 3)
{
    return Step{std::move(records), sender, socket};
}
Step forget(int socket)
{
    Step step;
    step.forgetSocket = socket;
    return step;
}

QString describe(const NetworkDeviceInfo &info)
{
    QStringList txtEntries;
    for (const auto &[key, value] : info.txt)
        txtEntries << QString::fromStdString(key) + (value ? "=" + QString::fromStdString(*value) : QString());
    return QStringLiteral("%1 %2 %3 %4 port=%5 txt={%6} socket=%7")
        .arg(QString::fromStdString(info.servicename), QString::fromStdString(info.hostname),
             QString::fromStdString(info.address), info.family == AddressFamily::IPv4 ? "v4" : "v6")
        .arg(info.port)
        .arg(txtEntries.join(','))
        .arg(info.socket);
}

class RecordingListener final : public DeviceDiscoveryListener
{
public:
    void deviceFound(NetworkDeviceInfo info) override
    {
        events << QStringLiteral("%1: found %2").arg(step).arg(describe(info));
    }
    void deviceLost(NetworkDeviceInfo info) override
    {
        events << QStringLiteral("%1: lost %2").arg(step).arg(describe(info));
    }

    int step = 0;
    QStringList events;
};

// Feeds one datagram from a sender through the walk into the assembler.
void feed(ServiceInstanceAssembler &assembler, const Step &step)
{
    DnsDatagramBuilder builder;
    builder.header(0, 0x8400, 0, std::uint16_t(step.records.size()));
    for (const QByteArray &record : step.records)
        builder.bytes(record);
    const QByteArray bytes = builder.data();

    sockaddr_storage sender{};
    socklen_t length = 0;
    if (step.sender.contains(':')) {
        auto &v6 = reinterpret_cast<sockaddr_in6 &>(sender);
        v6.sin6_family = AF_INET6;
        inet_pton(AF_INET6, step.sender.constData(), &v6.sin6_addr);
        length = sizeof v6;
    } else {
        auto &v4 = reinterpret_cast<sockaddr_in &>(sender);
        v4.sin_family = AF_INET;
        inet_pton(AF_INET, step.sender.constData(), &v4.sin_addr);
        length = sizeof v4;
    }
    walkDatagram(
        Datagram(reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size())), step.socket,
        reinterpret_cast<const sockaddr *>(&sender), length,
        [&](const DnsRecord &record) { return assembler.onRecord(record); }, 0);
}

const QString robotA = QStringLiteral("robot-a robot-a.local 192.0.2.2 v4 port=22 "
                                      "txt={ostrel_device_serial=42,ostrel_device_type=zx} socket=3");

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

class tst_ServiceInstanceAssembler : public QObject
{
    Q_OBJECT

private slots:
    void foundAndLost_data()
    {
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<QStringList>("events"); // "<step>: found|lost <instance>"

        QTest::newRow("PTR, SRV and TXT in one datagram")
            << QList<Step>{datagram({ptr("robot-a"), srv("robot-a"), fullTxt("robot-a")})}
            << QStringList{"1: found " + robotA};
        QTest::newRow("separate datagrams, TXT first")
            << QList<Step>{datagram({fullTxt("robot-a")}), datagram({ptr("robot-a")}), datagram({srv("robot-a")})}
            << QStringList{"3: found " + robotA};
        QTest::newRow("separate datagrams, SRV first")
            << QList<Step>{datagram({srv("robot-a")}), datagram({fullTxt("robot-a")}), datagram({ptr("robot-a")})}
            << QStringList{"3: found " + robotA};
        QTest::newRow("TXT without the serial stays pending until a TXT has both keys")
            << QList<Step>{datagram({ptr("robot-a"), srv("robot-a"), txt("robot-a", {"ostrel_device_type=zx"})}),
                           datagram({fullTxt("robot-a")})}
            << QStringList{"2: found " + robotA};
        QTest::newRow("a key with '=' and no value counts, a key without '=' does not")
            << QList<Step>{datagram({ptr("robot-a"), srv("robot-a"),
                                     txt("robot-a", {"ostrel_device_type=", "ostrel_device_serial"})}),
                           datagram({txt("robot-a", {"ostrel_device_type=", "ostrel_device_serial=7"})})}
            << QStringList{"2: found robot-a robot-a.local 192.0.2.2 v4 port=22 "
                           "txt={ostrel_device_serial=7,ostrel_device_type} socket=3"};
        QTest::newRow("a later TXT replaces the earlier entries")
            << QList<Step>{datagram({txt("robot-a", {"ostrel_device_type=zx", "old=1"})}),
                           datagram({ptr("robot-a"), srv("robot-a"), fullTxt("robot-a")})}
            << QStringList{"2: found " + robotA};
        QTest::newRow("goodbye loses, a new announcement finds again")
            << QList<Step>{datagram({ptr("robot-a"), srv("robot-a"), fullTxt("robot-a")}),
                           datagram({ptr("robot-a", 0), srv("robot-a", 0), txt("robot-a", {}, 0)}),
                           datagram({ptr("robot-a"), srv("robot-a"), fullTxt("robot-a")})}
            << QStringList{"1: found " + robotA, "2: lost " + robotA, "3: found " + robotA};
        QTest::newRow("goodbye of an unknown instance changes nothing")
            << QList<Step>{datagram({ptr("robot-b", 0)})} << QStringList{};
        QTest::newRow("a known instance is reported once")
            << QList<Step>{datagram({ptr("robot-a"), srv("robot-a"), fullTxt("robot-a")}),
                           datagram({ptr("robot-a"), srv("robot-a", 120, 2222), fullTxt("robot-a", "43")})}
            << QStringList{"1: found " + robotA};
        QTest::newRow("SRV and TXT goodbyes change nothing")
            << QList<Step>{datagram({ptr("robot-a"), srv("robot-a"), fullTxt("robot-a")}),
                           datagram({srv("robot-a", 0), txt("robot-a", {}, 0)})}
            << QStringList{"1: found " + robotA};
        QTest::newRow("an SRV goodbye does not count as the SRV record")
            << QList<Step>{datagram({ptr("robot-a"), srv("robot-a", 0), fullTxt("robot-a")})} << QStringList{};
        QTest::newRow("PTR of another service is ignored")
            << QList<Step>{datagram({ptr("robot-a", 4500, "_http._tcp.local"), srv("robot-a"), fullTxt("robot-a")})}
            << QStringList{};
        QTest::newRow("PTR name compared case-sensitively")
            << QList<Step>{datagram({ptr("robot-a", 4500, "_SSH._tcp.local"), srv("robot-a"), fullTxt("robot-a")})}
            << QStringList{};
        QTest::newRow("the same robot over IPv4 and IPv6 is two instances")
            << QList<Step>{datagram({ptr("robot-a"), srv("robot-a"), fullTxt("robot-a")}),
                           datagram({ptr("robot-a"), srv("robot-a"), fullTxt("robot-a")}, "fe80::2", 4)}
            << QStringList{"1: found " + robotA, "2: found robot-a robot-a.local fe80::2 v6 port=22 "
                                                 "txt={ostrel_device_serial=42,ostrel_device_type=zx} socket=4"};
        QTest::newRow("records of one instance from two senders do not mix")
            << QList<Step>{datagram({ptr("robot-a"), srv("robot-a")}), datagram({fullTxt("robot-a")}, "192.0.2.9")}
            << QStringList{};
        QTest::newRow("a vanished local address loses what was heard on it")
            << QList<Step>{datagram({ptr("robot-a"), srv("robot-a"), fullTxt("robot-a")}),
                           datagram({ptr("robot-b"), srv("robot-b"), fullTxt("robot-b")}, "192.0.2.3", 4), forget(3),
                           forget(3)}
            << QStringList{"1: found " + robotA,
                           "2: found robot-b robot-b.local 192.0.2.3 v4 port=22 "
                           "txt={ostrel_device_serial=42,ostrel_device_type=zx} socket=4",
                           "3: lost " + robotA};
    }
    void foundAndLost()
    {
        QFETCH(QList<Step>, steps);
        QFETCH(QStringList, events);

        RecordingListener listener;
        ServiceInstanceAssembler assembler(&listener, "_ssh._tcp.local");
        for (const Step &step : steps) {
            ++listener.step;
            if (step.forgetSocket >= 0)
                assembler.forgetSocket(step.forgetSocket);
            else
                feed(assembler, step);
        }
        QCOMPARE(listener.events, events);
    }

    // Only instances of the browsed service are put together, and only so many at once:
    // whatever else the network carries cannot grow the table.
    void pendingInstancesAreBounded()
    {
        RecordingListener listener;
        ServiceInstanceAssembler assembler(&listener, "_ssh._tcp.local.");

        feed(assembler, datagram({srv("printer", 120, 631, "printer._ipp._tcp.local"),
                                  txt("printer", {"rp=ipp"}, 4500, "printer._ipp._tcp.local"),
                                  ptr("x", 4500, "_ipp._tcp.local")}));
        QCOMPARE(assembler.pendingKeys().size(), 0u);

        for (int i = 0; i < 1000; ++i)
            feed(assembler, datagram({srv("flood-" + QByteArray::number(i))}));
        QCOMPARE(assembler.pendingKeys().size(), ServiceInstanceAssembler::maxPendingDevices);
        // The oldest went first.
        QCOMPARE(assembler.pendingKeys().front().substr(0, 10), std::string("flood-744."));

        // A robot still gets through.
        feed(assembler, datagram({ptr("robot-a"), srv("robot-a"), fullTxt("robot-a")}));
        QCOMPARE(listener.events, QStringList{"0: found " + robotA});

        // A goodbye drops what was still being put together, so that a late TXT
        // cannot bring back a robot that has left.
        feed(assembler, datagram({ptr("robot-b"), srv("robot-b")}));
        feed(assembler, datagram({ptr("robot-b", 0)}));
        feed(assembler, datagram({fullTxt("robot-b")}));
        QCOMPARE(listener.events.size(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_ServiceInstanceAssembler)
#include "tst_ServiceInstanceAssembler.moc"
