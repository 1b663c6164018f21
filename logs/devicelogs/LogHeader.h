#pragma once

#include <QHash>
#include <QString>

#include <optional>

// The metadata in the header of a device log file ("serial", "fileName",
// "logCounter", "Date", "Time", ...), read with the log file reader.
namespace logheader {

using Values = QHash<QString, QString>;

// Nothing, with the reason in error, when the file cannot be read as a log or its
// header carries no metadata.
std::optional<Values> read(const QString &path, QString *error = nullptr);

} // namespace logheader

// One value of a log file's header; empty, with debug lines saying why, when the
// header cannot be read or lacks the key.
QString readLogHeaderValue(const QString &path, const QString &key);
