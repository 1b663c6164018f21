#include "AesFileEncryption.h"
#include "BoardCipher.h"

#include <QRandomGenerator>
#include <QTest>

// The board's datagram cipher (OpenSSL) against fixed vectors and against the
// program's own AES, both ways, so that neither side can carry a fault the other
// shares.
class tst_BoardCipher : public QObject
{
    Q_OBJECT

    static QByteArray hex(const char *text) { return QByteArray::fromHex(text); }
    static QByteArray key() { return hex("000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F"); }
    static QByteArray iv() { return hex("000102030405060708090A0B0C0D0E0F"); }
    static QByteArray probeFrame() { return hex("CDAB 0000 1200 319DBEB9 0200 0C00 00 00 0100"); }

private slots:
    void fixedVectors()
    {
        // The probe as the host sends it (PKCS#7) and as a board pads it (zeros).
        const QByteArray hostDatagram = hex("72115eae77ec0923786cd1f3cf98e7cd 60bc61d6b88f2a1338cad956e2ac08ee");
        const QByteArray boardDatagram = hex("72115eae77ec0923786cd1f3cf98e7cd a40c353db2315a36daa3a8dbfad576e2");
        QCOMPARE(BoardCipher::decryptFromHost(hostDatagram, key(), iv()), std::optional(probeFrame()));
        QCOMPARE(BoardCipher::encryptForHost(probeFrame(), key(), iv()).toHex(), boardDatagram.toHex());
        const AesFileEncryption hostCipher(AesFileEncryption::Aes256, AesFileEncryption::Cbc,
                                           AesFileEncryption::Pkcs7Padding);
        QCOMPARE(hostCipher.encode(probeFrame(), key(), iv()).toHex(), hostDatagram.toHex());
        QCOMPARE(hostCipher.decode(boardDatagram, key(), iv()), probeFrame() + QByteArray(14, '\0'));
    }

    void refusesWhatIsNotAHostDatagram_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("iv");
        const QByteArray valid = BoardCipher::encryptBlocks(QByteArray(12, 'a') + hex("04040404"), key(), iv());
        QTest::newRow("empty") << QByteArray() << key() << iv();
        QTest::newRow("47 bytes") << QByteArray(47, 'x') << key() << iv();
        QTest::newRow("zero padding") << BoardCipher::encryptForHost(QByteArray(12, 'a'), key(), iv()) << key() << iv();
        QTest::newRow("padding byte 17") << BoardCipher::encryptBlocks(QByteArray(15, 'a') + char(17), key(), iv())
                                         << key() << iv();
        QTest::newRow("padding bytes that differ")
            << BoardCipher::encryptBlocks(QByteArray(12, 'a') + hex("03040404"), key(), iv()) << key() << iv();
        QTest::newRow("short key") << valid << key().left(16) << iv();
        QTest::newRow("short IV") << valid << key() << iv().left(8);
    }
    void refusesWhatIsNotAHostDatagram()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, iv);
        QCOMPARE(BoardCipher::decryptFromHost(datagram, key, iv), std::nullopt);
    }

    // Random frames of every length up to a full frame, each way between the two
    // implementations, under random keys.
    void agreesWithTheProgramsAes()
    {
        const AesFileEncryption hostCipher(AesFileEncryption::Aes256, AesFileEncryption::Cbc,
                                           AesFileEncryption::Pkcs7Padding);
        QRandomGenerator random(4711);
        const auto randomBytes = [&random](qsizetype size) {
            QByteArray bytes(size, Qt::Uninitialized);
            for (char &c : bytes)
                c = char(random.bounded(256));
            return bytes;
        };
        for (int length = 1; length <= 1024; length += 1 + length / 16) {
            const QByteArray k = randomBytes(32);
            const QByteArray v = randomBytes(16);
            const QByteArray frame = randomBytes(length);
            QCOMPARE(BoardCipher::decryptFromHost(hostCipher.encode(frame, k, v), k, v), std::optional(frame));
            const QByteArray fromBoard = BoardCipher::encryptForHost(frame, k, v);
            QCOMPARE(fromBoard.size() % 16, 0);
            QCOMPARE(hostCipher.decode(fromBoard, k, v), frame + QByteArray((16 - length % 16) % 16, '\0'));
        }
    }

    void randomDatagramsNeverCrash()
    {
        QRandomGenerator random(99);
        for (int i = 0; i < 2000; ++i) {
            QByteArray bytes(random.bounded(0, 200), Qt::Uninitialized);
            for (char &c : bytes)
                c = char(random.bounded(256));
            const std::optional<QByteArray> plain = BoardCipher::decryptFromHost(bytes, key(), iv());
            if (plain)
                QVERIFY(plain->size() < bytes.size());
        }
    }
};

QTEST_MAIN(tst_BoardCipher)
#include "tst_BoardCipher.moc"
