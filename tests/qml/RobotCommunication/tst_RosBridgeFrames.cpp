// Runs the rosbridge frame harness in every test run: the seed frames cut at every
// length and damaged at random places, and random text.
#include "DamagedSeeds.h"

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
        // JSON's own characters, so that damage keeps the text close to JSON.
        const QByteArray jsonCharacters("{}[]\":,0123456789.-+eE truefalsnl\\\n@ID");
        QVERIFY(feedDamagedSeeds(QStringLiteral(ROSBRIDGE_SEEDS_DIR), jsonCharacters, random, feed) > 0);
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
