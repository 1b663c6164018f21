#pragma once

#include "MonitoringModel.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Reads a simulated model from its JSON description (the format is described in
// README.md). Anything that does not fit (an unknown key, a reference id used twice, a
// type that is not defined, a value the wire cannot carry) makes the whole file fail
// with a message that names the place.
namespace MonitoringModelFile {

std::optional<MonitoringModel> parse(const QByteArray &json, QString *error);
std::optional<MonitoringModel> load(const QString &path, QString *error);
// The model the board runs unless it is given another one.
MonitoringModel fixture();

} // namespace MonitoringModelFile
