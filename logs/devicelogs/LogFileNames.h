#pragma once

#include <QDateTime>
#include <QString>

// What the name of a board log says about the log, and which names may become part
// of a path on this computer. Board logs are named "[counter]model_words_date_time.hlf",
// the date and time as "yyyy-MM-dd_hh-mm-ss".
namespace logname {

// A board serial or a log's name used as one folder or file name: not empty, not "."
// or "..", and without separators, drive colons or control characters. Boards and
// log headers are outside input; anything else could lead out of the log folder.
bool isSafeComponent(const QString &name);

// The number between the first "[" and the first "]"; 0 when there is none.
int counter(const QString &name);
// The date and time in front of ".hlf" (the first 19 of the last 23 characters);
// invalid when they do not read as a date.
QDateTime creationDate(const QString &name);
// The words between the first "_" and the date, blank separated.
QString modelName(const QString &name);
// The size in the largest binary unit that holds it at least once: "1KiB", "0B".
QString sizeText(qint64 bytes);

} // namespace logname
