#include "AppFileHeader.h"

#include "support/AppFileBytes.h"

#include <QBuffer>
#include <QTemporaryFile>
#include <QTest>
#include <QtEndian>

// The header of application files. Headers are put together here from the byte
// offsets of each version, independently of the program's own writer.
class tst_AppFileHeader : public QObject
{
    Q_OBJECT

private:
    using Fields = AppFileBytes::Fields;

    static std::optional<AppFileHeader> read(const QByteArray &bytes, QString *error = nullptr)
    {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        return AppFileHeader::read(buffer, error);
    }

private slots:
    void readsEveryVersion_data()
    {
        QTest::addColumn<quint32>("version");
        QTest::addColumn<quint32>("length");
        QTest::newRow("version 1") << 1u << 352u;
        QTest::newRow("version 2") << 2u << 356u;
        QTest::newRow("version 3") << 3u << 660u;
        QTest::newRow("a later version with a longer header") << 4u << 700u;
    }
    void readsEveryVersion()
    {
        QFETCH(quint32, version);
        QFETCH(quint32, length);
        Fields fields;
        fields.version = version;
        fields.length = length;
        const std::optional<AppFileHeader> header = read(AppFileBytes::applicationFile(fields));
        QVERIFY(header);
        QCOMPARE(header->version, version);
        QCOMPARE(header->length, length);
        QCOMPARE(header->baseVersion, QStringLiteral("1.4.2"));
        QCOMPARE(header->firmwareNumber, 7);
        QCOMPARE(header->flags, 0x1234'5678u);
        QCOMPARE(header->flagsLow, 0x8u);
        QCOMPARE(header->createDate, QDateTime(QDate(2024, 1, 3), QTime(10, 20, 30), Qt::UTC).toLocalTime());
        QCOMPARE(header->createDate.timeSpec(), Qt::LocalTime);
        QCOMPARE(header->buildId, fields.buildId);
        QCOMPARE(header->buildId.size(), 32);
        QCOMPARE(header->targetTypeIndex, version == 1 ? 0 : 6);
        QCOMPARE(header->tags[0], QStringLiteral("first"));
        QCOMPARE(header->tags[1], QStringLiteral("second"));
        QCOMPARE(header->tags[2], QString());
        QCOMPARE(header->tags[3], QStringLiteral("fourth"));
        const bool namesStored = version >= 3;
        QCOMPARE(header->appVersion, namesStored ? QStringLiteral("release 1.4.2-rc1") : QString());
        QCOMPARE(header->appName, namesStored ? QStringLiteral("balancer") : QString());
    }

    void refusesDamagedHeaders_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = AppFileBytes::applicationFile({});
        QTest::newRow("23 bytes") << good.left(23);
        QTest::newRow("nothing") << QByteArray();
        QByteArray magic = good;
        magic[4] = 'f';
        QTest::newRow("one byte of the magic") << magic;
        QByteArray noElf = good;
        noElf[661] = 'X';
        QTest::newRow("no ELF magic after the header") << noElf;
        QTest::newRow("cut before the ELF magic ends") << good.left(662);
        const auto withLength = [&good](quint32 length) {
            QByteArray bytes = good;
            AppFileBytes::putInt<quint32>(bytes, 20, length);
            return bytes;
        };
        QTest::newRow("header length 0xFFFFFFFF") << withLength(0xFFFFFFFFu);
        QTest::newRow("header length 659") << withLength(659);
        QTest::newRow("header length 0") << withLength(0);
        QTest::newRow("header length past the end") << withLength(5000);
        Fields version1;
        version1.version = 1;
        QTest::newRow("version 1 cut short") << AppFileBytes::applicationFile(version1).left(354);
        QByteArray version1Elsewhere = AppFileBytes::applicationFile(version1);
        version1Elsewhere.insert(352, QByteArray(4, '\0'));
        QTest::newRow("version 1 with the image at the version-2 length") << version1Elsewhere;
    }
    void refusesDamagedHeaders()
    {
        QFETCH(QByteArray, bytes);
        QString error;
        QVERIFY(!read(bytes, &error));
        QVERIFY(!error.isEmpty());
    }

    // A length from the file is checked against the file before that many bytes are read.
    void hugeHeaderLengthInAFile()
    {
        QByteArray bytes = AppFileBytes::applicationFile({});
        AppFileBytes::putInt<quint32>(bytes, 20, 60'000); // within the limit, past the end
        QTemporaryFile file;
        QVERIFY(file.open());
        file.write(bytes);
        QString error;
        QVERIFY(!AppFileHeader::read(file, &error));
        QVERIFY2(error.contains(QStringLiteral("past the end")), qPrintable(error));
    }

    void writesVersion3()
    {
        AppFileHeader header;
        header.baseVersion = QStringLiteral("2.5.1");
        header.firmwareNumber = -3;
        header.flags = 0xA5A5'0001;
        header.flagsLow = 0x1;
        header.createDate = QDateTime(QDate(2025, 6, 30), QTime(23, 59, 58), Qt::UTC).toLocalTime();
        header.buildId = QByteArray(32, 'b');
        header.targetTypeIndex = 5;
        header.tags = {QStringLiteral("a"), QStringLiteral("bb"), QStringLiteral("ccc"), QStringLiteral("dddd")};
        header.appVersion = QStringLiteral("2.5.1 nightly");
        header.appName = QStringLiteral("tracker");
        header.version = 1; // not written: the program writes version 3 only
        header.length = 352;
        const QByteArray bytes = header.toBytes();

        QCOMPARE(bytes.size(), 660);
        QCOMPARE(bytes.left(16), QByteArray(".AppFile") + QByteArray(8, '\0'));
        QCOMPARE(qFromLittleEndian<quint32>(bytes.constData() + 16), 3u);
        QCOMPARE(qFromLittleEndian<quint32>(bytes.constData() + 20), 660u);
        QCOMPARE(bytes.mid(24, 32), QByteArray("2.5.1").leftJustified(32, '\0'));
        QCOMPARE(qFromLittleEndian<qint32>(bytes.constData() + 56), -3);
        QCOMPARE(qFromLittleEndian<quint32>(bytes.constData() + 60), 0xA5A5'0001u);
        QCOMPARE(qFromLittleEndian<quint32>(bytes.constData() + 64), 1u);
        QCOMPARE(bytes.mid(68, 128), QByteArray("Mon Jun 30 23:59:58 2025 GMT").leftJustified(128, '\0'));
        QCOMPARE(bytes.mid(196, 32), QByteArray(32, 'b'));
        QCOMPARE(qFromLittleEndian<qint32>(bytes.constData() + 228), 5);
        QCOMPARE(bytes.mid(232, 32), QByteArray("a").leftJustified(32, '\0'));
        QCOMPARE(bytes.mid(328, 32), QByteArray("dddd").leftJustified(32, '\0'));
        QCOMPARE(bytes.mid(360, 150), QByteArray("2.5.1 nightly").leftJustified(150, '\0'));
        QCOMPARE(bytes.mid(510, 150), QByteArray("tracker").leftJustified(150, '\0'));

        const std::optional<AppFileHeader> back = read(bytes
                                                       + "\x7F"
                                                         "ELF");
        QVERIFY(back);
        QCOMPARE(back->createDate, header.createDate);
        QCOMPARE(back->tags, header.tags);
    }

    void textFieldLimits_data()
    {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("stored");
        QTest::newRow("32 bytes") << QString(32, 'x') << QString(32, 'x');
        QTest::newRow("40 bytes") << QString(40, 'y') << QString(32, 'y');
        // "é" is 2 bytes in UTF-8, "€" 3 and "𝄞" 4: a character that would cross the
        // 32nd byte is left out whole.
        QTest::newRow("two-byte characters") << QString(17, QChar(0xE9)) << QString(16, QChar(0xE9));
        QTest::newRow("three-byte character across the end") << QString(30, 'a') + QChar(0x20AC) << QString(30, 'a');
        QTest::newRow("four-byte character across the end")
            << QString(29, 'a') + QString::fromUtf8("\xF0\x9D\x84\x9E") << QString(29, 'a');
    }
    void textFieldLimits()
    {
        QFETCH(QString, tag);
        QFETCH(QString, stored);
        QCOMPARE(AppFileHeader::storableTag(tag), stored);

        AppFileHeader header;
        header.tags = {tag, QStringLiteral("next"), tag, tag};
        const std::optional<AppFileHeader> back = read(header.toBytes()
                                                       + "\x7F"
                                                         "ELF");
        QVERIFY(back);
        QCOMPARE(back->tags[0], stored);
        QCOMPARE(back->tags[1], QStringLiteral("next")); // never spilled into
    }

    void longTextsInFixedFields()
    {
        AppFileHeader header;
        header.baseVersion = QString(33, '1');
        header.buildId = QByteArray(33, 'i');
        header.appName = QString(200, 'n');
        header.appVersion = QString(149, 'v') + QChar(0xE9);
        const QByteArray bytes = header.toBytes();
        QCOMPARE(bytes.mid(24, 32), QByteArray(32, '\0'));
        QCOMPARE(bytes.mid(196, 32), QByteArray(32, '\0'));
        const std::optional<AppFileHeader> back = read(bytes
                                                       + "\x7F"
                                                         "ELF");
        QVERIFY(back);
        QCOMPARE(back->appName, QString(150, 'n'));
        QCOMPARE(back->appVersion, QString(149, 'v'));
    }

    void targetTypes_data()
    {
        QTest::addColumn<QString>("boardType");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Unknown") << "Unknown" << 0 << "Unknown";
        QTest::newRow("Zelto_Generic") << "Zelto_Generic" << 1 << "Zelto Generic";
        QTest::newRow("Zelto_Development_Board") << "Zelto_Development_Board" << 2 << "Zelto Development Board";
        QTest::newRow("Zelto_Exploration") << "Zelto_Exploration" << 3 << "Zelto Exploration";
        QTest::newRow("Zelto_Industrial") << "Zelto_Industrial" << 4 << "Zelto Industrial";
        QTest::newRow("Tavrin") << "Tavrin" << 5 << "Tavrin";
        QTest::newRow("Zelto_Rugged") << "Zelto_Rugged" << 6 << "Zelto Rugged";
        QTest::newRow("Bexlin") << "Bexlin" << 7 << "Bexlin";
        QTest::newRow("lower case") << "zelto_rugged" << 0 << "Unknown";
        QTest::newRow("display name") << "Zelto Rugged" << 0 << "Unknown";
        QTest::newRow("empty") << "" << 0 << "Unknown";
    }
    void targetTypes()
    {
        QFETCH(QString, boardType);
        QFETCH(int, index);
        QFETCH(QString, shown);
        QCOMPARE(appTargetTypeIndex(boardType), index);
        QCOMPARE(appTargetTypeDisplayName(index), shown);
    }

    void displayNamesOutsideTheTable()
    {
        QCOMPARE(appTargetTypeDisplayName(8), QStringLiteral("Unknown"));
        QCOMPARE(appTargetTypeDisplayName(9), QStringLiteral("Unknown"));
        QCOMPARE(appTargetTypeDisplayName(-1), QStringLiteral("Unknown"));
    }
};

QTEST_GUILESS_MAIN(tst_AppFileHeader)
#include "tst_AppFileHeader.moc"
