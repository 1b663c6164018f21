// Runs the robot message harness in every test run: the seed messages cut at every
// length and damaged at random places.
#include "DamagedSeeds.h"

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
        const int seeds = feedDamagedSeeds(
            QStringLiteral(ROBOT_MESSAGE_SEEDS_DIR), "{}[]\":,0123456789.-+eE truefalsnl\\", random,
            [](const QByteArray &bytes, qsizetype length) {
                LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()), std::size_t(length));
            });
        QVERIFY(seeds >= 8);
    }
};

int main(int argc, char *argv[])
{
    LLVMFuzzerInitialize(&argc, &argv); // makes the application object
    tst_RobotMessagesFuzz test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_RobotMessagesFuzz.moc"
