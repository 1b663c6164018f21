#include "DnsDatagramBuilder.h"
#include "MulticastDnsMessages.h"
#include "MulticastDnsSocket.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTest>

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <unistd.h>

#include <array>
#include "HalvoraTestPaths.h"

using namespace ostrel::infra;

// The libFuzzer harness, linked in so that every test run also walks random and damaged
// datagrams under the sanitizers.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

Datagram view(const QByteArray &bytes)
{
    return {reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size())};
}

QByteArray testData(const QString &name)
{
    QFile file(QStringLiteral(HALVORA_TEST_DATA_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", qPrintable(name));
    return file.readAll();
}

QString typeName(std::uint16_t type)
{
    switch (type) {
    case 1:
        return QStringLiteral("A");
    case 12:
        return QStringLiteral("PTR");
    case 16:
        return QStringLiteral("TXT");
    case 28:
        return QStringLiteral("AAAA");
    case 33:
        return QStringLiteral("SRV");
    default:
        return QString::number(type);
    }
}

QString text(std::string_view bytes)
{
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

// One line per complete record: section, type, owner, TTL and the decoded data.
QString describeRecord(const DnsRecord &record)
{
    static const char *const sections[] = {"", "an", "ns", "ar"};
    std::array<char, mdns::nameCapacity> owner{};
    std::size_t position = record.nameOffset;
    QString line = QStringLiteral("%1 %2 %3 ttl=%4")
                       .arg(QLatin1String(sections[int(record.section)]), typeName(record.type),
                            text(readName(record.datagram, position, owner)))
                       .arg(record.ttl);
    std::array<char, mdns::nameCapacity> target{};
    switch (record.type) {
    case mdns::typePtr:
        line += QStringLiteral(" -> ")
                + text(decodePtrData(record.datagram, record.dataOffset, record.dataLength, target));
        break;
    case mdns::typeSrv: {
        const SrvData srv = decodeSrvData(record.datagram, record.dataOffset, record.dataLength, target);
        line += QStringLiteral(" %1 %2 %3 '%4'").arg(srv.priority).arg(srv.weight).arg(srv.port).arg(text(srv.target));
        break;
    }
    case mdns::typeTxt: {
        std::array<TxtEntry, mdns::maxTxtEntries> entries{};
        const std::size_t count = splitTxtStrings(record.datagram, record.dataOffset, record.dataLength, entries);
        line += QStringLiteral(" [");
        for (std::size_t i = 0; i < count; ++i)
            line += (i ? QStringLiteral(" ") : QString()) + text(entries[i].key) + '=' + text(entries[i].value);
        line += ']';
        break;
    }
    default:
        line += QStringLiteral(" len=%1").arg(record.dataLength);
    }
    return line;
}

QString describe(const QByteArray &datagram, int queryIdFilter = 0, int stopAfter = 0)
{
    sockaddr_in sender{};
    sender.sin_family = AF_INET;
    inet_pton(AF_INET, "192.0.2.2", &sender.sin_addr);
    QStringList lines;
    const std::size_t complete = walkDatagram(
        view(datagram), 7, reinterpret_cast<const sockaddr *>(&sender), sizeof sender,
        [&](const DnsRecord &record) {
            lines << describeRecord(record);
            return stopAfter > 0 && lines.size() >= stopAfter ? 1 : 0;
        },
        queryIdFilter);
    if (complete != std::size_t(lines.size()))
        lines << QStringLiteral("complete records reported: %1").arg(complete);
    return lines.join('\n');
}

const QByteArray sshService = "_ssh._tcp.local";
const QByteArray robotA = "robot-a._ssh._tcp.local";

// A response as a robot sends it: PTR in the answers, SRV and TXT as additional records.
DnsDatagramBuilder response(std::uint16_t answers, std::uint16_t additionals)
{
    DnsDatagramBuilder builder;
    builder.header(0, 0x8400, 0, answers, 0, additionals);
    return builder;
}

} // namespace

class tst_MulticastDnsMessages : public QObject
{
    Q_OBJECT

private slots:
    void question_data()
    {
        QTest::addColumn<QByteArrayList>("names");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<int>("questionClass");
        QTest::addColumn<QByteArray>("expected"); // empty: the query fails

        const QByteArray golden = QByteArray::fromHex("0000 0000 0001 0000 0000 0000"
                                                      "045f737368 045f746370 056c6f63616c 00"
                                                      "000c 0001");
        QByteArray unicastResponse = golden;
        unicastResponse[31] = char(0x80);

        QTest::newRow("browse question from port 5353") << QByteArrayList{sshService} << 2048 << 0x0001 << golden;
        QTest::newRow("trailing dot gives the same bytes")
            << QByteArrayList{sshService + "."} << 2048 << 0x0001 << golden;
        QTest::newRow("from another port asks for unicast answers")
            << QByteArrayList{sshService} << 2048 << 0x8001 << unicastResponse;
        QTest::newRow("exactly enough room") << QByteArrayList{sshService} << 33 << 0x0001 << golden;
        QTest::newRow("one byte short") << QByteArrayList{sshService} << 32 << 0x0001 << QByteArray();
        QTest::newRow("no room for a header and one question")
            << QByteArrayList{sshService} << 17 << 0x0001 << QByteArray();
        QTest::newRow("no questions") << QByteArrayList{} << 2048 << 0x0001 << QByteArray();
        QTest::newRow("label of 64 bytes")
            << QByteArrayList{QByteArray(64, 'a') + ".local"} << 2048 << 0x0001 << QByteArray();
        QTest::newRow("empty label") << QByteArrayList{"_ssh.._tcp.local"} << 2048 << 0x0001 << QByteArray();
        QTest::newRow("two questions")
            << QByteArrayList{"a.b", "c"} << 2048 << 0x0001
            << QByteArray::fromHex("0000 0000 0002 0000 0000 0000 0161 0162 00 000c 0001 0163 00 000c 0001");
    }
    void question()
    {
        QFETCH(QByteArrayList, names);
        QFETCH(int, capacity);
        QFETCH(int, questionClass);
        QFETCH(QByteArray, expected);

        std::vector<BrowseQuery> queries;
        for (const QByteArray &name : names)
            queries.push_back({mdns::typePtr, name.toStdString()});
        std::vector<std::uint8_t> buffer(std::size_t(capacity) + 16, 0xEE);
        const int length = buildQuery(queries, std::span(buffer).first(std::size_t(capacity)), 0,
                                      std::uint16_t(questionClass));
        if (expected.isEmpty()) {
            QCOMPARE(length, -1);
        } else {
            QCOMPARE(QByteArray(reinterpret_cast<const char *>(buffer.data()), length).toHex(' '), expected.toHex(' '));
        }
        // Nothing is ever written past the capacity the caller gave.
        for (std::size_t i = std::size_t(capacity); i < buffer.size(); ++i)
            QCOMPARE(buffer[i], std::uint8_t(0xEE));
    }

    void names_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("skipValid");
        QTest::addColumn<int>("skipEnd");     // position after skipName
        QTest::addColumn<QByteArray>("read"); // readName's text; empty when invalid
        QTest::addColumn<int>("readEnd");     // position after readName

        {
            DnsDatagramBuilder b;
            b.name("local");
            QTest::newRow("plain name") << b.data() << 0 << true << 7 << QByteArray("local.") << 7;
        }
        {
            DnsDatagramBuilder b;
            b.u8(0);
            QTest::newRow("root name") << b.data() << 0 << true << 1 << QByteArray() << 1;
        }
        {
            DnsDatagramBuilder b;
            b.name(sshService); // offset 0..16
            b.labels("robot-a").pointer(0).u8(0xAA);
            QTest::newRow("label then pointer")
                << b.data() << 17 << true << 27 << QByteArray("robot-a._ssh._tcp.local.") << 27;
        }
        {
            DnsDatagramBuilder b;
            b.name("local");               // 0..6
            b.labels("_tcp").pointer(0);   // 7..13
            b.labels("_ssh").pointer(7);   // 14..20
            b.labels("robot").pointer(14); // 21..28
            QTest::newRow("pointer to a name that ends in a pointer")
                << b.data() << 21 << true << 29 << QByteArray("robot._ssh._tcp.local.") << 29;
        }
        {
            DnsDatagramBuilder b;
            b.u8(0xAA).pointer(1);
            QTest::newRow("pointer to itself") << b.data() << 1 << false << 1 << QByteArray() << 1;
        }
        {
            // 16 pointers in a row reach the name; a 17th is one too many.
            DnsDatagramBuilder b;
            b.name("x"); // 0..2
            for (int i = 0; i < 16; ++i)
                b.pointer(std::uint16_t(b.offset() == 3 ? 0 : b.offset() - 2));
            const int last = int(b.offset()) - 2;
            QTest::newRow("16 pointer hops") << b.data() << last << true << last + 2 << QByteArray("x.") << last + 2;
            b.pointer(std::uint16_t(last));
            QTest::newRow("17 pointer hops") << b.data() << last + 2 << false << last + 2 << QByteArray() << last + 2;
        }
        {
            DnsDatagramBuilder b;
            b.pointer(0x3FFF);
            QTest::newRow("pointer past the end") << b.data() << 0 << false << 0 << QByteArray() << 0;
        }
        {
            DnsDatagramBuilder b;
            b.labels("abc").u8(0xC0);
            QTest::newRow("pointer cut in half") << b.data() << 0 << false << 0 << QByteArray() << 0;
        }
        {
            DnsDatagramBuilder b;
            b.u8(5).bytes("abc");
            QTest::newRow("label past the end") << b.data() << 0 << false << 0 << QByteArray() << 0;
        }
        {
            DnsDatagramBuilder b;
            b.labels("abc");
            QTest::newRow("no end mark") << b.data() << 0 << false << 0 << QByteArray() << 0;
            QTest::newRow("start at the end") << b.data() << 4 << false << 4 << QByteArray() << 4;
        }
        {
            QByteArray many;
            for (int i = 0; i < 64; ++i)
                many += "a.";
            DnsDatagramBuilder b;
            b.name(many);
            QTest::newRow("64 labels and the end: 65 parts") << b.data() << 0 << true << 129 << QByteArray(many) << 129;
            DnsDatagramBuilder c;
            c.name(many + "a");
            QTest::newRow("65 labels and the end: 66 parts") << c.data() << 0 << false << 0 << QByteArray() << 0;
        }
        {
            // Skipping stops at the pointer; reading would follow it round for ever.
            DnsDatagramBuilder b;
            b.labels("a").pointer(0);
            QTest::newRow("label with a pointer back to itself") << b.data() << 0 << true << 4 << QByteArray() << 0;
        }
        {
            const QByteArray label(63, 'z');
            DnsDatagramBuilder b;
            b.name(label + '.' + label + '.' + label + '.' + label + '.' + label);
            const QByteArray expected = (label + '.').repeated(5).left(256);
            QTest::newRow("name longer than the buffer is cut") << b.data() << 0 << true << 321 << expected << 321;
        }
    }
    void names()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(int, start);
        QFETCH(bool, skipValid);
        QFETCH(int, skipEnd);
        QFETCH(QByteArray, read);
        QFETCH(int, readEnd);

        std::size_t position = std::size_t(start);
        QCOMPARE(skipName(view(datagram), position), skipValid);
        QCOMPARE(int(position), skipEnd);

        std::array<char, mdns::nameCapacity> buffer{};
        position = std::size_t(start);
        const std::string_view name = readName(view(datagram), position, buffer);
        QCOMPARE(QByteArray(name.data(), qsizetype(name.size())), read);
        QCOMPARE(int(position), readEnd);
    }

    // Whole datagrams, captured from a python3-zeroconf responder or written by hand,
    // walked record by record and decoded.
    void datagrams_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<int>("queryIdFilter");
        QTest::addColumn<int>("stopAfter");
        QTest::addColumn<QString>("expected");

        QTest::newRow("captured answer to the browse question")
            << testData("zeroconf-answer.bin") << 0 << 0
            << "an PTR _ssh._tcp.local. ttl=4500 -> robot-a._ssh._tcp.local.\n"
               "ar TXT robot-a._ssh._tcp.local. ttl=4500 [ostrel_device_type=zx ostrel_device_serial=42]\n"
               "ar A robot-a.local. ttl=120 len=4\n"
               "ar SRV robot-a._ssh._tcp.local. ttl=120 0 0 22 'robot-a.local.'\n"
               "ar AAAA robot-a.local. ttl=120 len=16";
        QTest::newRow("captured announcement")
            << testData("zeroconf-announcement.bin") << 0 << 0
            << "an PTR _ssh._tcp.local. ttl=4500 -> robot-a._ssh._tcp.local.\n"
               "an SRV robot-a._ssh._tcp.local. ttl=120 0 0 22 'robot-a.local.'\n"
               "an TXT robot-a._ssh._tcp.local. ttl=4500 [ostrel_device_type=zx ostrel_device_serial=42]\n"
               "an A robot-a.local. ttl=120 len=4\n"
               "an AAAA robot-a.local. ttl=120 len=16";
        QTest::newRow("captured goodbye")
            << testData("zeroconf-goodbye.bin") << 0 << 0
            << "an PTR _ssh._tcp.local. ttl=0 -> robot-a._ssh._tcp.local.\n"
               "an SRV robot-a._ssh._tcp.local. ttl=0 0 0 22 'robot-a.local.'\n"
               "an TXT robot-a._ssh._tcp.local. ttl=0 [ostrel_device_type=zx ostrel_device_serial=42]\n"
               "an A robot-a.local. ttl=0 len=4\n"
               "an AAAA robot-a.local. ttl=0 len=16";
        QTest::newRow("question only") << testData("browse-question.bin") << 0 << 0 << QString();

        const QByteArray ptr = DnsDatagramBuilder::nameBytes(robotA);
        QTest::newRow("11 bytes") << QByteArray(11, '\0') << 0 << 0 << QString();
        {
            DnsDatagramBuilder b;
            b.header(0, 0, 1, 1).pointer(12).u16(12).u16(1).record(sshService, 12, 120, ptr);
            QTest::newRow("invalid question name drops all") << b.data() << 0 << 0 << QString();
        }
        {
            DnsDatagramBuilder b;
            b.header(0, 0x8400, 1, 1).question(sshService, 12);
            b.pointer(12).recordBody(12, 4500, ptr);
            QTest::newRow("owner compressed to the question")
                << b.data() << 0 << 0 << "an PTR _ssh._tcp.local. ttl=4500 -> robot-a._ssh._tcp.local.";
        }
        {
            DnsDatagramBuilder b = response(1, 1);
            b.record(sshService, 12, 120, ptr).name(robotA).u16(33).u16(1).u32(120).u16(40).bytes("short");
            QTest::newRow("record data past the end")
                << b.data() << 0 << 0 << "an PTR _ssh._tcp.local. ttl=120 -> robot-a._ssh._tcp.local.";
        }
        {
            DnsDatagramBuilder b = response(3, 1);
            b.record(sshService, 12, 120, ptr).name("x").u16(1).u16(1);
            b.record(robotA, 16, 120, DnsDatagramBuilder::txtData({"a=1"}));
            QTest::newRow("answers that do not add up end the walk")
                << b.data() << 0 << 0 << "an PTR _ssh._tcp.local. ttl=120 -> robot-a._ssh._tcp.local.";
        }
        {
            DnsDatagramBuilder b = response(1, 0);
            b.u8(0xC0).u8(0x00 + 12).recordBody(12, 1, ptr); // owner points to itself
            // The ten header bytes are then read from the pointer on.
            QTest::newRow("invalid owner name is read from where it starts")
                << b.data() << 0 << 0 << "an 49164  ttl=2147549184 len=1";
        }
        {
            DnsDatagramBuilder b;
            b.header(7, 0x8400, 0, 2).record(sshService, 12, 1, ptr).record(sshService, 12, 2, ptr);
            const QString both = "an PTR _ssh._tcp.local. ttl=1 -> robot-a._ssh._tcp.local.\n"
                                 "an PTR _ssh._tcp.local. ttl=2 -> robot-a._ssh._tcp.local.";
            QTest::newRow("id filter off") << b.data() << 0 << 0 << both;
            QTest::newRow("id filter matches") << b.data() << 7 << 0 << both;
            QTest::newRow("id filter drops") << b.data() << 8 << 0 << QString();
            QTest::newRow("callback stops the walk")
                << b.data() << 0 << 1 << "an PTR _ssh._tcp.local. ttl=1 -> robot-a._ssh._tcp.local.";
        }
        {
            DnsDatagramBuilder b;
            b.header(0, 0x8400, 0, 1, 1, 1)
                .record(sshService, 12, 1, ptr)
                .record("ns", 99, 1, "x")
                .record("ad", 98, 1, "");
            QTest::newRow("all three sections") << b.data() << 0 << 0
                                                << "an PTR _ssh._tcp.local. ttl=1 -> robot-a._ssh._tcp.local.\n"
                                                   "ns 99 ns. ttl=1 len=1\n"
                                                   "ar 98 ad. ttl=1 len=0";
        }
        {
            DnsDatagramBuilder b = response(3, 0);
            b.record(sshService, 12, 1, QByteArray(1, '\0')); // one byte: too short for a name
            b.record(robotA, 33, 1, QByteArray(7, '\x01'));
            b.record(robotA, 33, 1, DnsDatagramBuilder::srvData(1, 2, 2222, "robot-a.local"));
            QTest::newRow("short PTR and SRV data decode to nothing")
                << b.data() << 0 << 0
                << "an PTR _ssh._tcp.local. ttl=1 -> \n"
                   "an SRV robot-a._ssh._tcp.local. ttl=1 0 0 0 ''\n"
                   "an SRV robot-a._ssh._tcp.local. ttl=1 1 2 2222 'robot-a.local.'";
        }
        {
            DnsDatagramBuilder b = response(1, 0);
            b.record(robotA, 16, 1,
                     DnsDatagramBuilder::txtData({"ostrel_device_type=", "ostrel_device_serial", "", "=v", "k\x7f=v",
                                                  "k\x01=v", "bin=\x01\xff=", "a=b=c"}));
            QTest::newRow("TXT strings")
                << b.data() << 0 << 0
                << QStringLiteral("an TXT robot-a._ssh._tcp.local. ttl=1 [ostrel_device_type= bin=\x01\u00ff= a=b=c]");
        }
        {
            DnsDatagramBuilder b = response(1, 0);
            b.record(robotA, 16, 1, DnsDatagramBuilder::txtData({"a=1"}) + "\x0a" + "b=2");
            QTest::newRow("TXT string longer than the record stops the split")
                << b.data() << 0 << 0 << "an TXT robot-a._ssh._tcp.local. ttl=1 [a=1]";
        }
        {
            QByteArray strings;
            QStringList keys;
            for (int i = 0; i < 130; ++i) {
                const QByteArray entry = "k" + QByteArray::number(i) + "=";
                strings += char(entry.size()) + entry;
                if (i < 128)
                    keys << QString::fromLatin1(entry);
            }
            DnsDatagramBuilder b = response(1, 0);
            b.record(robotA, 16, 1, strings);
            QTest::newRow("at most 128 TXT entries")
                << b.data() << 0 << 0 << "an TXT robot-a._ssh._tcp.local. ttl=1 [" + keys.join(' ') + "]";
        }
    }
    void datagrams()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(int, queryIdFilter);
        QFETCH(int, stopAfter);
        QFETCH(QString, expected);
        QCOMPARE(describe(datagram, queryIdFilter, stopAfter), expected);
        // Any cut of the datagram is read without going past its end.
        for (qsizetype length = 0; length < datagram.size(); ++length)
            describe(datagram.left(length));
    }

    // Captured datagrams cut at every length and damaged at random places, and random
    // bytes, as the harness sees them: nothing is read outside the datagram.
    void damagedAndRandomDatagrams()
    {
        QRandomGenerator random(20261210);
        const QDir data(QStringLiteral(HALVORA_TEST_DATA_DIR));
        for (const QString &name : data.entryList({QStringLiteral("*.bin")}, QDir::Files)) {
            const QByteArray original = testData(name);
            for (qsizetype length = 0; length <= original.size(); ++length)
                LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(original.constData()), std::size_t(length));
            for (int round = 0; round < 2000; ++round) {
                QByteArray damaged = original;
                for (int change = 0, changes = 1 + random.bounded(4); change < changes; ++change) {
                    const qsizetype at = random.bounded(damaged.size());
                    switch (random.bounded(3)) {
                    case 0: // any byte
                        damaged[at] = char(random.bounded(256));
                        break;
                    case 1: // a compression pointer to anywhere
                        damaged[at] = char(0xC0 | random.bounded(0x40));
                        break;
                    default: // a length or count that no longer adds up
                        damaged[at] = char(damaged[at] + 1);
                    }
                }
                damaged.truncate(random.bounded(damaged.size()) + 1);
                LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(damaged.constData()),
                                       std::size_t(damaged.size()));
            }
        }
        QByteArray noise(mdns::datagramCapacity + 16, '\0');
        for (int round = 0; round < 2000; ++round) {
            random.fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
            const std::size_t length = random.bounded(quint32(noise.size()));
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(noise.constData()), length);
        }
    }

    // receive() over the loopback interface: whole datagrams only, from the right interface.
    void receiveFromSocket_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<unsigned>("interfaceIndex");
        QTest::addColumn<int>("records");

        const unsigned loopback = if_nametoindex("lo");
        QTest::newRow("a datagram that fits") << 179 << 0u << 5;
        QTest::newRow("arrived on the socket's interface") << 179 << loopback << 5;
        QTest::newRow("arrived on another interface") << 179 << loopback + 100 << 0;
        QTest::newRow("larger than the buffer is dropped whole") << 2049 << 0u << 0;
    }
    void receiveFromSocket()
    {
        QFETCH(int, size);
        QFETCH(unsigned, interfaceIndex);
        QFETCH(int, records);

        const int receiver = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const int sender = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        QVERIFY(receiver >= 0 && sender >= 0);
        const auto closeBoth = qScopeGuard([&] {
            ::close(receiver);
            ::close(sender);
        });
        const int on = 1;
        QCOMPARE(setsockopt(receiver, IPPROTO_IP, IP_PKTINFO, &on, sizeof on), 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        QCOMPARE(bind(receiver, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        socklen_t length = sizeof address;
        QCOMPARE(getsockname(receiver, reinterpret_cast<sockaddr *>(&address), &length), 0);

        QByteArray datagram = testData("zeroconf-announcement.bin");
        datagram.append(size - datagram.size(), '\0'); // trailing bytes change no record
        QCOMPARE(sendto(sender, datagram.constData(), std::size_t(datagram.size()), 0,
                        reinterpret_cast<sockaddr *>(&address), sizeof address),
                 ssize_t(datagram.size()));

        std::vector<std::uint8_t> buffer(mdns::datagramCapacity);
        QStringList senders;
        const std::size_t complete = receive(
            receiver, buffer,
            [&](const DnsRecord &record) {
                char text[INET_ADDRSTRLEN] = {};
                inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in *>(record.sender)->sin_addr, text, sizeof text);
                senders << QString::fromLatin1(text);
                return 0;
            },
            0, interfaceIndex);
        QCOMPARE(int(complete), records);
        QCOMPARE(senders, QStringList(records, QStringLiteral("127.0.0.1")));
    }
};

QTEST_GUILESS_MAIN(tst_MulticastDnsMessages)
#include "tst_MulticastDnsMessages.moc"
