#pragma once

#include <QByteArray>
#include <QString>

// Whole files for test fixtures.

// The file's bytes; empty when it cannot be read.
QByteArray readFile(const QString &path);

// Writes the file whole, making its folder first; false when any of it fails.
bool writeFile(const QString &path, const QByteArray &data);
