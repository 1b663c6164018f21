#include "MersenneTwister.h"
#include "MtScrambler.h"
#include "ScrambledKey.h"

#include <QRandomGenerator>
#include <QtEndian>
#include <QTest>

#include <array>
#include <bit>
#include <cstring>
#include <random>
#include <sstream>

// The generator is checked against std::mt19937 (loaded with the same state, since
// only the seeding differs) and the scrambler against a model built on it here,
// besides values worked out by hand from the firmware's description.
class tst_MtScrambler : public QObject
{
    Q_OBJECT

private:
    // The firmware's seeding, written out here once more: each word is the previous
    // one times 6069.
    static MersenneTwister::State seededWords(std::uint32_t seed)
    {
        MersenneTwister::State words{};
        words[0] = seed;
        for (int i = 1; i < MersenneTwister::kStateSize; ++i)
            words[i] = words[i - 1] * 6069u;
        return words;
    }

    // A standard engine that starts from the given words, due for a regeneration.
    static std::mt19937 standardEngineWith(const MersenneTwister::State &words)
    {
        std::stringstream stream;
        for (std::uint32_t word : words)
            stream << word << ' ';
        stream << MersenneTwister::kStateSize;
        std::mt19937 engine;
        stream >> engine;
        return engine;
    }

    // The scrambler rebuilt on standard engines; inverse undoes it.
    static QByteArray modelScramble(QByteArray bytes, std::uint32_t seed, bool inverse = false)
    {
        std::mt19937 a = standardEngineWith(seededWords(seed));
        std::mt19937 b = standardEngineWith(seededWords(std::uint32_t(a())));
        for (qsizetype offset = 0; offset + 4 <= bytes.size(); offset += 4) {
            std::uint32_t word;
            std::memcpy(&word, bytes.constData() + offset, 4);
            word = qFromLittleEndian(word);
            const std::uint32_t r = std::uint32_t(a());
            switch (b() & 3) {
            case 0:
                word ^= r;
                break;
            case 1:
                word = inverse ? std::rotr(word, int(r % 32)) : std::rotl(word, int(r % 32));
                break;
            case 2:
                word = inverse ? word - r : word + r;
                break;
            default:
                break;
            }
            word = qToLittleEndian(word);
            std::memcpy(bytes.data() + offset, &word, 4);
        }
        return bytes;
    }

    static QByteArray randomBytes(QRandomGenerator &random, qsizetype length)
    {
        QByteArray bytes(length, Qt::Uninitialized);
        for (char &b : bytes)
            b = char(random.bounded(256));
        return bytes;
    }

private slots:
    void seedingFillsTheWords()
    {
        MersenneTwister generator;
        generator.seed(1);
        QCOMPARE(generator.index(), 624);
        QCOMPARE(generator.words()[0], 1u);
        QCOMPARE(generator.words()[1], 6069u);
        QCOMPARE(generator.words()[2], 36832761u);  // 6069^2
        QCOMPARE(generator.words()[3], 199727117u); // 6069^3 mod 2^32
        QCOMPARE(generator.words(), seededWords(1));
    }

    void generatorMatchesStandardEngine_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::newRow("1") << 1u;
        QTest::newRow("4357") << 4357u;
        QTest::newRow("all ones") << 0xFFFFFFFFu;
        QTest::newRow("0x12345678") << 0x12345678u;
        QTest::newRow("0") << 0u;
    }
    void generatorMatchesStandardEngine()
    {
        QFETCH(quint32, seed);
        MersenneTwister generator;
        generator.seed(seed);
        std::mt19937 engine = standardEngineWith(seededWords(seed));
        // Crosses three regenerations.
        for (int i = 0; i < 2000; ++i)
            QCOMPARE(generator.next(), std::uint32_t(engine()));
    }

    void standardCheckValue()
    {
        // The 10000th output of a default-constructed std::mt19937 is 4123659995;
        // started from that engine's state, ours must give it too.
        std::mt19937 reference;
        std::stringstream stream;
        stream << reference;
        MersenneTwister::State words{};
        for (auto &word : words)
            stream >> word;
        int index = 0;
        stream >> index;
        MersenneTwister generator(words, index);
        std::uint32_t value = 0;
        for (int i = 0; i < 10000; ++i)
            value = generator.next();
        QCOMPARE(value, 4123659995u);
    }

    void knownOutputs()
    {
        MersenneTwister seededWithOne;
        seededWithOne.seed(1);
        for (std::uint32_t expected : {3018268696u, 1272122893u, 2862735652u, 3751029454u, 2433498063u})
            QCOMPARE(seededWithOne.next(), expected);

        // Never seeded: defined, and the same as a seed of 4357.
        MersenneTwister unseeded;
        MersenneTwister seededDefault;
        seededDefault.seed(4357);
        for (std::uint32_t expected : {3991895922u, 3924182887u, 2645243252u})
            QCOMPARE(unseeded.next(), expected);
        for (int i = 0; i < 3; ++i)
            seededDefault.next();
        for (int i = 0; i < 1000; ++i)
            QCOMPARE(unseeded.next(), seededDefault.next());
    }

    void scrambledValues_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<quint32>("seedA");
        QTest::addColumn<quint32>("seedB");
        QTest::addColumn<quint32>("seedC");
        QTest::addColumn<QByteArray>("expected");

        QByteArray counting(16, Qt::Uninitialized);
        for (int i = 0; i < 16; ++i)
            counting[i] = char(i);
        QTest::newRow("32 zero bytes, seeds 1 2 3")
            << QByteArray(32, '\0') << 1u << 2u << 3u
            << QByteArray::fromHex("19acee644ae275b11a3b84c2a2c2abc400cb7c141193fc55de1f38fcb633a4ab");
        QTest::newRow("counting bytes") << counting << 0xDEADBEEFu << 0x12345678u << 0xCAFEBABEu
                                        << QByteArray::fromHex("a1861f083727724494b1ec338994d0e5");
        QTest::newRow("seed 0 leaves every word") << counting << 0u << 0u << 0u << counting;
        QTest::newRow("nothing to scramble") << QByteArray() << 1u << 2u << 3u << QByteArray();
    }
    void scrambledValues()
    {
        QFETCH(QByteArray, input);
        QFETCH(quint32, seedA);
        QFETCH(quint32, seedB);
        QFETCH(quint32, seedC);
        QFETCH(QByteArray, expected);

        QByteArray bytes = input;
        QCOMPARE(MtScrambler::scrambleWithSeeds(bytes.data(), int(bytes.size()), seedA, seedB, seedC), 0);
        QCOMPARE(bytes.toHex(), expected.toHex());
        QCOMPARE(modelScramble(modelScramble(modelScramble(input, seedA), seedB), seedC).toHex(), expected.toHex());
    }

    void oneSeedOneChunk()
    {
        QByteArray bytes(16, Qt::Uninitialized);
        for (int i = 0; i < 16; ++i)
            bytes[i] = char(i);
        MtScrambler scrambler;
        scrambler.setMode(1);
        QCOMPARE(scrambler.seed(12345), 0);
        QCOMPARE(scrambler.scramble(bytes.data(), 16, 1), 0);
        QCOMPARE(bytes.toHex(), QByteArray("00010203040506072141610186068707"));
    }

    // Chunks of an upload follow one another on the same generators, as the board
    // unscrambles them; the test's own inverse brings every one back.
    void chunksRoundTrip_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<QList<int>>("chunks");
        QTest::newRow("one short chunk") << 7u << QList<int>{16};
        QTest::newRow("upload chunks") << 0xA5A5A5A5u << QList<int>{1016, 1016, 1016, 16};
        QTest::newRow("beyond 65535 words") << 99u << QList<int>{65536 * 4 + 40};
        QTest::newRow("empty chunk between") << 3u << QList<int>{8, 0, 8};
    }
    void chunksRoundTrip()
    {
        QFETCH(quint32, seed);
        QFETCH(QList<int>, chunks);

        QRandomGenerator random(seed);
        QByteArray whole;
        MtScrambler scrambler;
        scrambler.setMode(MtScrambler::kScrambleMode);
        QCOMPARE(scrambler.seed(seed), 0);
        QByteArray scrambled;
        for (int length : chunks) {
            QByteArray chunk = randomBytes(random, length);
            whole += chunk;
            QCOMPARE(scrambler.scramble(chunk.data(), std::uint32_t(length), 1), 0);
            scrambled += chunk;
        }
        QCOMPARE(scrambled, modelScramble(whole, seed));
        if (!whole.isEmpty())
            QVERIFY(scrambled != whole);
        QCOMPARE(modelScramble(scrambled, seed, true), whole);
    }

    void unalignedBufferScramblesAlike()
    {
        QRandomGenerator random(5);
        const QByteArray input = randomBytes(random, 64);
        QByteArray aligned = input;
        QByteArray shifted = QByteArray(1, 'x') + input;
        QCOMPARE(MtScrambler::scrambleWithSeeds(aligned.data(), 64, 11, 22, 33), 0);
        QCOMPARE(MtScrambler::scrambleWithSeeds(shifted.data() + 1, 64, 11, 22, 33), 0);
        QCOMPARE(shifted.mid(1), aligned);
        QCOMPARE(shifted.at(0), 'x');
    }

    void refusals_data()
    {
        QTest::addColumn<int>("setMode");
        QTest::addColumn<int>("scrambleMode");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("seedResult");
        QTest::addColumn<int>("scrambleResult");

        QTest::newRow("6 bytes") << 1 << 1 << 6 << 0 << -22;
        QTest::newRow("1018 bytes, a full upload chunk") << 1 << 1 << 1018 << 0 << -22;
        QTest::newRow("scramble in mode 2") << 1 << 2 << 16 << 0 << -1;
        QTest::newRow("scramble in mode 0") << 1 << 0 << 16 << 0 << -1;
        QTest::newRow("seed in mode 2") << 2 << 1 << 16 << -1 << 0;
        QTest::newRow("seed without a mode") << 0 << 1 << 16 << -1 << 0;
    }
    void refusals()
    {
        QFETCH(int, setMode);
        QFETCH(int, scrambleMode);
        QFETCH(int, length);
        QFETCH(int, seedResult);
        QFETCH(int, scrambleResult);

        MtScrambler scrambler;
        scrambler.setMode(setMode);
        QCOMPARE(scrambler.seed(42), seedResult);
        QRandomGenerator random(1);
        const QByteArray input = randomBytes(random, length);
        QByteArray bytes = input;
        QCOMPARE(scrambler.scramble(bytes.data(), std::uint32_t(length), scrambleMode), scrambleResult);
        if (scrambleResult < 0)
            QCOMPARE(bytes, input);
    }

    void scrambleWithSeedsRefusals()
    {
        QByteArray bytes("abcdef");
        QCOMPARE(MtScrambler::scrambleWithSeeds(bytes.data(), 6, 1, 2, 3), -22);
        QCOMPARE(bytes, QByteArray("abcdef"));
        QCOMPARE(MtScrambler::scrambleWithSeeds(bytes.data(), -4, 1, 2, 3), -22);
        QCOMPARE(MtScrambler::scrambleWithSeeds(nullptr, 8, 1, 2, 3), -22);
        QCOMPARE(bytes, QByteArray("abcdef"));
    }

    // A stored key turns into its run-time bytes; one the scrambler refuses gives no
    // key at all rather than the stored bytes.
    void scrambledKeyFromStoredBytes()
    {
        std::array<std::uint8_t, 16> counting{};
        for (std::size_t i = 0; i < counting.size(); ++i)
            counting[i] = std::uint8_t(i);
        QCOMPARE(scrambledKey(counting, 0xDEADBEEFu, 0x12345678u, 0xCAFEBABEu).toHex(),
                 QByteArray("a1861f083727724494b1ec338994d0e5"));

        const std::array<std::uint8_t, 6> notWholeWords{1, 2, 3, 4, 5, 6};
        QVERIFY(scrambledKey(notWholeWords, 1, 2, 3).isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_MtScrambler)
#include "tst_MtScrambler.moc"
