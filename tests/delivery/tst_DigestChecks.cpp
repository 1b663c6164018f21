#include "DigestChecks.h"

#include "support/ExternalTools.h"

#include <QTemporaryDir>
#include <QTest>

// Digests are checked against sha256sum, never against the code under test.
class tst_DigestChecks : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    static QByteArray sampleBytes(int size)
    {
        QByteArray bytes(size, Qt::Uninitialized);
        for (int i = 0; i < size; ++i)
            bytes[i] = char((i * 37 + 11) & 0xFF);
        return bytes;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void takeAppendedSha256_data()
    {
        QTest::addColumn<int>("fileSize");
        QTest::addColumn<bool>("taken");
        QTest::newRow("31 bytes: too short, file kept") << 31 << false;
        QTest::newRow("32 bytes: all of it, empty file left") << 32 << true;
        QTest::newRow("33 bytes: one byte left") << 33 << true;
        QTest::newRow("empty file") << 0 << false;
        QTest::newRow("a body of several blocks") << 70000 << true;
    }
    void takeAppendedSha256()
    {
        QFETCH(int, fileSize);
        QFETCH(bool, taken);
        const QString path = m_dir.filePath(QStringLiteral("appended-%1.data").arg(fileSize));
        const QByteArray content = sampleBytes(fileSize);
        QVERIFY(ExternalTools::writeFile(path, content));

        const QByteArray digest = ::takeAppendedSha256(path.toUtf8());
        if (!taken) {
            QVERIFY(digest.isNull());
            QCOMPARE(ExternalTools::readFile(path), content);
            return;
        }
        QCOMPARE(digest, content.right(32));
        QCOMPARE(ExternalTools::readFile(path), content.left(fileSize - 32));
    }

    void takeAppendedSha256FromMissingFile()
    {
        QVERIFY(::takeAppendedSha256(m_dir.filePath(QStringLiteral("none/such.data")).toUtf8()).isNull());
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("none"))));
    }

    void verifySha256_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<int>("result");
        const QByteArray data = sampleBytes(1000);
        const QByteArray digest = QByteArray::fromHex(ExternalTools::sha256sumHex(data).toLatin1());
        QByteArray flipped = digest;
        flipped[31] = char(flipped.at(31) ^ 0x01);

        QTest::newRow("matching digest") << data << digest << 0;
        QTest::newRow("31 matching bytes are too few") << data << digest.left(31) << -1;
        QTest::newRow("40 bytes beginning with the digest") << data << digest + QByteArray(8, 'x') << 0;
        QTest::newRow("last byte flipped") << data << flipped << -1;
        QTest::newRow("other data") << sampleBytes(999) << digest << -1;
        QTest::newRow("empty expected") << data << QByteArray() << -1;
        QTest::newRow("empty data") << QByteArray()
                                    << QByteArray::fromHex(ExternalTools::sha256sumHex(QByteArray("")).toLatin1()) << 0;
    }
    void verifySha256()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, expected);
        QFETCH(int, result);
        QCOMPARE(::verifySha256(expected, data), result);
    }

    void verifySha256String_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("result");
        const QString hex = ExternalTools::sha256sumHex(sampleBytes(5000));
        QCOMPARE(hex.size(), 64);

        QTest::newRow("lower-case hex") << hex.toLower() << 0;
        QTest::newRow("upper-case hex") << hex.toUpper() << 0;
        QTest::newRow("63 characters are compared raw") << hex.left(63) << -1;
        QTest::newRow("65 characters are compared raw") << hex + QLatin1Char('0') << -1;
        QTest::newRow("64 characters, one not hexadecimal") << hex.left(63) + QLatin1Char('g') << -1;
        QTest::newRow("another digest") << QString(hex).replace(0, 1, hex.at(0) == QLatin1Char('0') ? "1" : "0") << -1;
        QTest::newRow("empty text") << QString() << -1;
    }
    void verifySha256String()
    {
        QFETCH(QString, text);
        QFETCH(int, result);
        QCOMPARE(::verifySha256String(text, sampleBytes(5000)), result);
    }
};

QTEST_GUILESS_MAIN(tst_DigestChecks)
#include "tst_DigestChecks.moc"
