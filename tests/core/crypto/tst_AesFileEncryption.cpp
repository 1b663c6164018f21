#include "Aes256CbcDecryption.h"
#include "AesFileEncryption.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTest>

// Our own AES is checked against published vectors and against the openssl command,
// which encrypts the same bytes during the test; decryptAes256Cbc is checked against
// the command's own padding.
class tst_AesFileEncryption : public QObject
{
    Q_OBJECT

private:
    QString m_openssl;

    static QByteArray randomBytes(QRandomGenerator &random, qsizetype length)
    {
        QByteArray bytes(length, Qt::Uninitialized);
        for (char &b : bytes)
            b = char(random.bounded(256));
        return bytes;
    }

    // Runs "openssl enc" for cipher (e.g. "aes-256-cbc") on input; extra arguments as given.
    QByteArray opensslEncrypt(const QString &cipher, const QByteArray &key, const QByteArray &iv,
                              const QByteArray &input, const QStringList &extra = {}) const
    {
        QProcess process;
        process.start(m_openssl, QStringList{"enc", "-" + cipher, "-K", QString::fromLatin1(key.toHex()), "-iv",
                                             QString::fromLatin1(iv.toHex())}
                                     + extra);
        if (!process.waitForStarted())
            return "openssl did not start";
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(30000) || process.exitCode() != 0)
            return "openssl failed: " + process.readAllStandardError();
        return process.readAllStandardOutput();
    }

    // The padding each padding kind must add, written out from its definition.
    static QByteArray expectedPadding(int padding, qsizetype length)
    {
        const int missing = int((16 - length % 16) % 16);
        switch (padding) {
        case AesFileEncryption::Pkcs7Padding: {
            const int n = missing == 0 ? 16 : missing;
            return QByteArray(n, char(n));
        }
        case AesFileEncryption::Iso7816Padding:
            return missing == 0 ? QByteArray() : char(0x80) + QByteArray(missing - 1, '\0');
        default:
            return QByteArray(missing, '\0');
        }
    }

private slots:
    void initTestCase()
    {
        m_openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
        QVERIFY2(!m_openssl.isEmpty(), "the openssl command (package openssl) is needed as a peer");
    }

    void publishedVectors_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("iv");
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("cipher");

        const QByteArray zeroIv(16, '\0');
        const QByteArray fipsPlain = QByteArray::fromHex("00112233445566778899aabbccddeeff");
        QTest::newRow("AES-128 one block") << int(AesFileEncryption::Aes128) << int(AesFileEncryption::Cbc)
                                           << QByteArray::fromHex("000102030405060708090a0b0c0d0e0f") << zeroIv
                                           << fipsPlain << QByteArray::fromHex("69c4e0d86a7b0430d8cdb78070b4c55a");
        QTest::newRow("AES-192 one block")
            << int(AesFileEncryption::Aes192) << int(AesFileEncryption::Cbc)
            << QByteArray::fromHex("000102030405060708090a0b0c0d0e0f1011121314151617") << zeroIv << fipsPlain
            << QByteArray::fromHex("dda97ca4864cdfe06eaf70a0ec0d7191");
        QTest::newRow("AES-256 one block")
            << int(AesFileEncryption::Aes256) << int(AesFileEncryption::Cbc)
            << QByteArray::fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f") << zeroIv
            << fipsPlain << QByteArray::fromHex("8ea2b7ca516745bfeafc49904b496089");

        const QByteArray key = QByteArray::fromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
        const QByteArray iv = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
        const QByteArray plain =
            QByteArray::fromHex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51");
        QTest::newRow("AES-256 CBC two blocks")
            << int(AesFileEncryption::Aes256) << int(AesFileEncryption::Cbc) << key << iv << plain
            << QByteArray::fromHex("f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d");
        QTest::newRow("AES-256 CFB two blocks")
            << int(AesFileEncryption::Aes256) << int(AesFileEncryption::Cfb) << key << iv << plain
            << QByteArray::fromHex("dc7e84bfda79164b7ecd8486985d386039ffed143b28b1c832113c6331e5407b");
        QTest::newRow("AES-256 OFB two blocks")
            << int(AesFileEncryption::Aes256) << int(AesFileEncryption::Ofb) << key << iv << plain
            << QByteArray::fromHex("dc7e84bfda79164b7ecd8486985d38604febdc6740d20b3ac88f6ad82a4fb08d");
    }
    void publishedVectors()
    {
        QFETCH(int, level);
        QFETCH(int, mode);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, iv);
        QFETCH(QByteArray, plain);
        QFETCH(QByteArray, cipher);

        const AesFileEncryption aes(level, mode, AesFileEncryption::ZeroPadding);
        QCOMPARE(aes.encode(plain, key, iv).toHex(), cipher.toHex());
        QCOMPARE(aes.decode(cipher, key, iv).toHex(), plain.toHex());
    }

    // Every key size, mode and padding against the openssl command on the same bytes.
    void opensslPeer_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("padding");
        QTest::addColumn<int>("length");

        const char *levels[] = {"128", "192", "256"};
        const char *modes[] = {"cbc", "cfb", "ofb"};
        const char *paddings[] = {"zero", "pkcs7", "0x80"};
        for (int level = 0; level < 3; ++level)
            for (int mode = 0; mode < 3; ++mode)
                for (int padding = 0; padding < 3; ++padding)
                    for (int length : {0, 1, 15, 16, 17, 32, 100})
                        QTest::addRow("aes-%s-%s %s %d bytes", levels[level], modes[mode], paddings[padding], length)
                            << level << mode << padding << length;
    }
    void opensslPeer()
    {
        QFETCH(int, level);
        QFETCH(int, mode);
        QFETCH(int, padding);
        QFETCH(int, length);

        QRandomGenerator random(quint32(level * 1000 + mode * 100 + padding * 10 + length));
        const QByteArray key = randomBytes(random, 16 + 8 * level);
        const QByteArray iv = randomBytes(random, 16);
        const QByteArray plain = randomBytes(random, length);
        const QByteArray padded = plain + expectedPadding(padding, length);
        const QString cipherName =
            QStringLiteral("aes-%1-%2").arg(128 + 64 * level).arg(QStringList{"cbc", "cfb", "ofb"}.at(mode));

        // In CBC with PKCS#7 the command pads by itself, which checks our padding too.
        const bool peerPads = mode == AesFileEncryption::Cbc && padding == AesFileEncryption::Pkcs7Padding;
        const QByteArray expected = peerPads ? opensslEncrypt(cipherName, key, iv, plain)
                                             : opensslEncrypt(cipherName, key, iv, padded, {"-nopad"});
        QCOMPARE(expected.size(), padded.size());

        const AesFileEncryption aes(level, mode, padding);
        QCOMPARE(aes.encode(plain, key, iv).toHex(), expected.toHex());
        QCOMPARE(aes.decode(expected, key, iv).toHex(), padded.toHex());

        if (mode != AesFileEncryption::Cbc && length % 16 != 0) {
            // Stream modes decode a short last block byte for byte.
            QCOMPARE(aes.decode(expected.left(length), key, iv).toHex(), plain.toHex());
        }
        if (level == AesFileEncryption::Aes256 && peerPads)
            QCOMPARE(::decryptAes256Cbc(expected, key, iv).toHex(), plain.toHex());
    }

    void rejectedArguments_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("keyLength");
        QTest::addColumn<int>("ivLength");
        QTest::addColumn<int>("cipherLength");

        QTest::newRow("IV of 15 bytes") << 2 << 0 << 32 << 15 << 32;
        QTest::newRow("IV of 17 bytes") << 2 << 1 << 32 << 17 << 32;
        QTest::newRow("empty IV") << 2 << 2 << 32 << 0 << 32;
        QTest::newRow("mode 3") << 2 << 3 << 32 << 16 << 32;
        QTest::newRow("negative mode") << 0 << -1 << 16 << 16 << 32;
        QTest::newRow("AES-256 with a 31-byte key") << 2 << 0 << 31 << 16 << 32;
        QTest::newRow("AES-256 with a 16-byte key") << 2 << 2 << 16 << 16 << 32;
        QTest::newRow("AES-256 with no key yet") << 2 << 0 << 0 << 16 << 32;
        QTest::newRow("AES-128 with a 32-byte key") << 0 << 1 << 32 << 16 << 32;
        QTest::newRow("AES-192 with a 16-byte key") << 1 << 0 << 16 << 16 << 32;
        QTest::newRow("unknown level takes a 16-byte key, not 32") << 7 << 0 << 32 << 16 << 32;
    }
    void rejectedArguments()
    {
        QFETCH(int, level);
        QFETCH(int, mode);
        QFETCH(int, keyLength);
        QFETCH(int, ivLength);
        QFETCH(int, cipherLength);

        const AesFileEncryption aes(level, mode, AesFileEncryption::Pkcs7Padding);
        const QByteArray key(keyLength, 'k');
        const QByteArray iv(ivLength, 'i');
        QVERIFY(aes.encode(QByteArray(20, 'p'), key, iv).isEmpty());
        QVERIFY(aes.decode(QByteArray(cipherLength, 'c'), key, iv).isEmpty());
    }

    void paddingShapes_data()
    {
        QTest::addColumn<int>("padding");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("cipherLength");

        QTest::newRow("16 bytes, PKCS#7 adds a block") << 1 << 16 << 32;
        QTest::newRow("16 bytes, zero padding adds nothing") << 0 << 16 << 16;
        QTest::newRow("16 bytes, 0x80 padding adds nothing") << 2 << 16 << 16;
        QTest::newRow("17 bytes, 0x80 padding") << 2 << 17 << 32;
        QTest::newRow("empty, PKCS#7") << 1 << 0 << 16;
        QTest::newRow("empty, zero padding") << 0 << 0 << 0;
        QTest::newRow("unknown padding counts as zero bytes") << 9 << 17 << 32;
    }
    void paddingShapes()
    {
        QFETCH(int, padding);
        QFETCH(int, length);
        QFETCH(int, cipherLength);

        const QByteArray key(32, '\x5a');
        const QByteArray iv(16, '\x01');
        const QByteArray plain(length, '\xee');
        const AesFileEncryption aes(AesFileEncryption::Aes256, AesFileEncryption::Cbc, padding);
        const QByteArray cipher = aes.encode(plain, key, iv);
        QCOMPARE(cipher.size(), cipherLength);
        QCOMPARE(aes.decode(cipher, key, iv).toHex(),
                 (plain + expectedPadding(padding > 2 ? 0 : padding, length)).toHex());
    }

    void seventeenBytesTakeTheIsoMarker()
    {
        const AesFileEncryption aes(AesFileEncryption::Aes128, AesFileEncryption::Ofb,
                                    AesFileEncryption::Iso7816Padding);
        const QByteArray key(16, '\x11');
        const QByteArray iv(16, '\x22');
        const QByteArray decoded = aes.decode(aes.encode(QByteArray(17, 'a'), key, iv), key, iv);
        QCOMPARE(decoded.toHex(), (QByteArray(17, 'a') + '\x80' + QByteArray(14, '\0')).toHex());
    }

    void cbcDecodeWantsWholeBlocks()
    {
        const AesFileEncryption aes(AesFileEncryption::Aes256, AesFileEncryption::Cbc, AesFileEncryption::Pkcs7Padding);
        QVERIFY(aes.decode(QByteArray(17, 'c'), QByteArray(32, 'k'), QByteArray(16, 'i')).isEmpty());
        QCOMPARE(aes.decode(QByteArray(32, 'c'), QByteArray(32, 'k'), QByteArray(16, 'i')).size(), 32);
    }

    void decryptAes256Cbc_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("iv");
        QTest::addColumn<bool>("succeeds");
        QTest::addColumn<QByteArray>("plain");

        QRandomGenerator random(2024);
        const QByteArray key = randomBytes(random, 32);
        const QByteArray iv = randomBytes(random, 16);
        for (int length : {0, 1, 15, 16, 17, 1000, 70000}) {
            const QByteArray plain = randomBytes(random, length);
            QTest::addRow("%d bytes from openssl", length)
                << opensslEncrypt("aes-256-cbc", key, iv, plain) << key << iv << true << plain;
        }

        const QByteArray plain("The version information of the maker, as JSON.");
        const QByteArray cipher = opensslEncrypt("aes-256-cbc", key, iv, plain);
        QTest::newRow("31-byte key") << cipher << key.left(31) << iv << false << QByteArray();
        QTest::newRow("33-byte key") << cipher << key + 'x' << iv << false << QByteArray();
        QTest::newRow("15-byte IV") << cipher << key << iv.left(15) << false << QByteArray();
        QTest::newRow("17-byte IV") << cipher << key << iv + 'x' << false << QByteArray();
        QTest::newRow("empty input") << QByteArray() << key << iv << false << QByteArray();
        QTest::newRow("not whole blocks") << cipher.left(17) << key << iv << false << QByteArray();
        QTest::newRow("truncated by one byte") << cipher.chopped(1) << key << iv << false << QByteArray();
        QTest::newRow("wrong key fails the padding check")
            << cipher << QByteArray(32, '\x07') << iv << false << QByteArray();
        // A last block that decrypts to ... 00: no valid PKCS#7 padding.
        QTest::newRow("last byte zero")
            << opensslEncrypt("aes-256-cbc", key, iv, QByteArray(31, 'z') + '\0', {"-nopad"}) << key << iv << false
            << QByteArray();
        QTest::newRow("padding byte above 16")
            << opensslEncrypt("aes-256-cbc", key, iv, QByteArray(31, 'z') + '\x11', {"-nopad"}) << key << iv << false
            << QByteArray();
        QTest::newRow("padding bytes that disagree")
            << opensslEncrypt("aes-256-cbc", key, iv, QByteArray(29, 'z') + "\x02\x03\x03", {"-nopad"}) << key << iv
            << false << QByteArray();
    }
    void decryptAes256Cbc()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, iv);
        QFETCH(bool, succeeds);
        QFETCH(QByteArray, plain);

        const QByteArray result = ::decryptAes256Cbc(data, key, iv);
        QCOMPARE(result.isNull(), !succeeds);
        QCOMPARE(result, plain);
    }

    // Datagrams and files come from outside: random and cut input never reads out of
    // bounds (the sanitizers watch) and never yields more bytes than it was given.
    void randomInputIsHandled()
    {
        QRandomGenerator random(77);
        for (int round = 0; round < 3000; ++round) {
            const int level = int(random.bounded(4));
            const int mode = int(random.bounded(-1, 4));
            // Mostly lengths that pass the checks, so the ciphers themselves run.
            const bool oddKey = random.bounded(4) == 0;
            const QByteArray key = randomBytes(random, oddKey ? random.bounded(40) : 16 + 8 * random.bounded(3));
            const QByteArray iv = randomBytes(random, random.bounded(4) == 0 ? random.bounded(20) : 16);
            const QByteArray data = randomBytes(random, random.bounded(90));
            const AesFileEncryption aes(level, mode, int(random.bounded(4)));

            const QByteArray decoded = aes.decode(data, key, iv);
            QVERIFY(decoded.isEmpty() || decoded.size() == data.size());
            const QByteArray encoded = aes.encode(data, key, iv);
            QVERIFY(encoded.isEmpty() || encoded.size() >= data.size());
            const QByteArray decrypted = ::decryptAes256Cbc(data, key, iv);
            QVERIFY(decrypted.size() <= data.size());
        }
    }
};

QTEST_GUILESS_MAIN(tst_AesFileEncryption)
#include "tst_AesFileEncryption.moc"
