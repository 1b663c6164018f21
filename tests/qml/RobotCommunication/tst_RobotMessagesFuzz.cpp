// Runs the robot message harness in every test run: the seed messages cut at every
// length and damaged at random places.
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <cstddef>
#include <cstdint>
#include "HalvoraTestPaths.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

class tst_RobotMessagesFuzz : public QObject
{
    Q_OBJECT

private slots:
    void damagedMessages()
    {
        QRandomGenerator random(20261211);
        const QDir seeds(QStringLiteral(ROBOT_MESSAGE_SEEDS_DIR));
        const QStringList names = seeds.entryList(QDir::Files);
        QVERIFY(names.size() >= 8);
        const QByteArray jsonCharacters("{}[]\":,0123456789.-+eE truefalsnl\\");
        for (const QString &name : names) {
            QFile file(seeds.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray original = file.readAll();
            for (qsizetype length = 0; length <= original.size(); ++length)
                LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(original.constData()), std::size_t(length));
            for (int round = 0; round < 300; ++round) {
                QByteArray damaged = original;
                for (int change = 0, changes = 1 + random.bounded(4); change < changes; ++change) {
                    const qsizetype at = random.bounded(damaged.size());
                    damaged[at] = random.bounded(2) ? char(random.bounded(256))
                                                    : jsonCharacters[random.bounded(jsonCharacters.size())];
                }
                LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(damaged.constData()),
                                       std::size_t(damaged.size()));
            }
        }
    }
};

int main(int argc, char *argv[])
{
    LLVMFuzzerInitialize(&argc, &argv); // makes the application object
    tst_RobotMessagesFuzz test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_RobotMessagesFuzz.moc"
