// Runs the rosbridge frame harness in every test run: the seed frames cut at every
// length and damaged at random places, and random text.
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <cstddef>
#include <cstdint>
#include "HalvoraTestPaths.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

void feed(const QByteArray &bytes, qsizetype length)
{
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()), std::size_t(length));
}

} // namespace

class tst_RosBridgeFrames : public QObject
{
    Q_OBJECT

private slots:
    void damagedAndRandomFrames()
    {
        QRandomGenerator random(20250311);
        const QDir seeds(QStringLiteral(ROSBRIDGE_SEEDS_DIR));
        const QStringList names = seeds.entryList(QDir::Files);
        QVERIFY(!names.isEmpty());
        // JSON's own characters, so that damage keeps the text close to JSON.
        const QByteArray jsonCharacters("{}[]\":,0123456789.-+eE truefalsnl\\\n@ID");
        for (const QString &name : names) {
            QFile file(seeds.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray original = file.readAll();
            for (qsizetype length = 0; length <= original.size(); ++length)
                feed(original, length);
            for (int round = 0; round < 300; ++round) {
                QByteArray damaged = original;
                for (int change = 0, changes = 1 + random.bounded(4); change < changes; ++change) {
                    const qsizetype at = random.bounded(damaged.size());
                    damaged[at] = random.bounded(2) ? char(random.bounded(256))
                                                    : jsonCharacters[random.bounded(jsonCharacters.size())];
                }
                feed(damaged, damaged.size());
            }
        }
        QByteArray noise(512, '\0');
        for (int round = 0; round < 300; ++round) {
            for (char &c : noise)
                c = jsonCharacters[random.bounded(jsonCharacters.size())];
            feed(noise, random.bounded(noise.size()));
        }
    }
};

int main(int argc, char *argv[])
{
    LLVMFuzzerInitialize(&argc, &argv); // makes the application object
    tst_RosBridgeFrames test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_RosBridgeFrames.moc"
