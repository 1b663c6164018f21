#pragma once

#include <QDateTime>
#include <QString>

// Reads a date-time of a robot's resources: ISO 8601 with milliseconds. A text without
// a zone is UTC, as the robot writes its dates (and as we write them back); a text
// that is no date gives an invalid date-time.
QDateTime parseRobotResourceDate(const QString &text);
