#include "LinkCrc.h"

#include <QRandomGenerator>
#include <QTest>

// The checksum against the catalogue values of CRC-32/MPEG-2 and against a plain
// bit-by-bit reference over many lengths and alignments (the sliced path and the
// byte tail must agree everywhere).
class tst_LinkCrc : public QObject
{
    Q_OBJECT

    static uint32_t bitwiseReference(uint32_t crc, const QByteArray &data)
    {
        for (const char c : data) {
            crc ^= uint32_t(uint8_t(c)) << 24;
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        }
        return crc;
    }

private slots:
    void knownValues_data()
    {
        QTest::addColumn<quint32>("start");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<quint32>("expected");
        QTest::newRow("catalogue check value") << 0xFFFFFFFFu << QByteArray("123456789") << 0x0376E6E7u;
        QTest::newRow("empty keeps the start") << 0x12345678u << QByteArray() << 0x12345678u;
        QTest::newRow("table entry 1") << 0u << QByteArray("\x01", 1) << 0x04C11DB7u;
        QTest::newRow("table entry 255") << 0u << QByteArray("\xFF", 1) << 0xB1F740B4u;
        QTest::newRow("key request header") << 0xFFFFFFFFu << QByteArray::fromHex("03000C0000000000") << 0x30068027u;
    }
    void knownValues()
    {
        QFETCH(quint32, start);
        QFETCH(QByteArray, data);
        QFETCH(quint32, expected);
        QCOMPARE(computeCrc32(start, data.constData(), size_t(data.size())), expected);
    }

    void chainedPiecesGiveTheWholeValue()
    {
        const QByteArray digits("123456789");
        for (int split = 0; split <= digits.size(); ++split) {
            const uint32_t first = computeCrc32(0xFFFFFFFFu, digits.constData(), size_t(split));
            const uint32_t whole = computeCrc32(first, digits.constData() + split, size_t(digits.size() - split));
            QCOMPARE(whole, 0x0376E6E7u);
        }
    }

    void agreesWithBitwiseReference()
    {
        QRandomGenerator random(4711);
        QByteArray buffer(300, Qt::Uninitialized);
        for (char &c : buffer)
            c = char(random.bounded(256));
        for (int offset = 0; offset < 8; ++offset) {
            for (int length = 0; length + offset <= buffer.size(); length += 7) {
                const QByteArray piece = buffer.mid(offset, length);
                const uint32_t start = random.generate();
                QCOMPARE(computeCrc32(start, buffer.constData() + offset, size_t(length)),
                         bitwiseReference(start, piece));
            }
        }
    }
};

QTEST_APPLESS_MAIN(tst_LinkCrc)
#include "tst_LinkCrc.moc"
