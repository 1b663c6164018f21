#include "RobotResourceDate.h"

QDateTime parseRobotResourceDate(const QString &text)
{
    QDateTime dateTime = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (dateTime.isValid() && dateTime.timeSpec() == Qt::LocalTime)
        dateTime.setTimeSpec(Qt::UTC);
    return dateTime;
}
