#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// Board log files as a board writes them: named "[counter]model_date_time.hlf", with
// the board's serial, the log's name, counter, date and time in the header, and a
// time signal and one value signal in every record.
namespace boardlogs {

struct Log
{
    QString serial = QStringLiteral("SN-0001");
    int counter = 1;
    QString model = QStringLiteral("drive_test");
    QDateTime date = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9));
    int records = 20;

    // "[1]drive_test_2024-05-06_07-08-09.hlf"
    QString name() const;
    QByteArray bytes() const;
};

// Writes the log into the folder under its own name (or the given one); the path.
QString write(const QString &folder, const Log &log, const QString &fileName = QString());
// Writes bytes that no log reader takes; the path.
QString writeGarbage(const QString &folder, const QString &fileName, qsizetype size = 100);

} // namespace boardlogs
