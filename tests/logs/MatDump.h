#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

// The variables of a MAT-file as h5py sees them (data/mat_dump.py, run by the
// system's /usr/bin/python3, which has h5py): an independent reader of what matio wrote.
namespace matdump {

// Fails the calling test when the file cannot be read.
QJsonObject read(const QString &path);

// A numeric dataset's values as bytes in MATLAB's column-major order.
QByteArray bytes(const QJsonObject &dataset);
QList<qint64> dims(const QJsonObject &dataset);
QStringList fields(const QJsonObject &structure);
QJsonObject member(const QJsonObject &structure, const QString &field);

} // namespace matdump
