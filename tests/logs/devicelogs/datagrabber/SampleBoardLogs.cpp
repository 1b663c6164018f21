// halvora-sample-board-logs <board folder> <library folder> <serial>
// Writes logs as a board serves them into <board folder>/log, for pictures of the log
// screen beside the board simulator: several small logs and a large one that takes a
// moment to download. The library folder (the program's LogData/<serial>) receives a
// downloaded copy of the first log and an unreadable copy of the second.
#include "BoardLogFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 4) {
        QTextStream(stderr) << "usage: halvora-sample-board-logs <board folder> <library folder> <serial>\n";
        return 2;
    }
    const QString boardLogs = arguments.at(1) + QStringLiteral("/log");
    const QString library = arguments.at(2);
    QDir().mkpath(boardLogs);
    QDir().mkpath(library);

    // "[counter]run_<model words>_v<n>_<date>_<time>.hlf": the list takes the model's
    // name from between the first section and the last three.
    const QStringList models{QStringLiteral("run_drive_test_v1"), QStringLiteral("run_balance_loop_v3"),
                             QStringLiteral("run_arm_calibration_v2"), QStringLiteral("run_battery_soak_v1"),
                             QStringLiteral("run_gait_tuning_v4")};
    for (int counter = 1; counter <= models.size(); ++counter) {
        boardlogs::Log log;
        log.serial = arguments.at(3);
        log.counter = counter;
        log.model = models.at(counter - 1);
        log.date = QDateTime(QDate(2026, 12, 9), QTime(8, 15)).addSecs(counter * 5400);
        log.records = counter == 4 ? 2000000 : 200 * counter;
        const QString path = boardlogs::write(boardLogs, log);
        if (counter == 1)
            QFile::copy(path, library + QLatin1Char('/') + log.name());
        if (counter == 2)
            boardlogs::writeGarbage(library, log.name(), 4096);
    }
    return 0;
}
