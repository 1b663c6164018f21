#pragma once

#include <QDateTime>
#include <QObject>
#include <QtQml/qqmlregistration.h>

// When the program was built, for QML (the footer shows the build's year). One
// instance per QML engine, made on first use.
class BuildInfo : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QDateTime buildDateTime READ buildDateTime CONSTANT)

public:
    using QObject::QObject;

    // The compiler's build date and time, read anew on every call; invalid when the
    // text does not have the form "Nov 12 2024 11:45:45".
    QDateTime buildDateTime() const;

    // The compiler's date and time text, "Nov  2 2024 11:45:45" (the day padded with
    // a blank).
    static QString buildText();
    // The build text as local time; runs of blanks count as one.
    static QDateTime parseBuildText(const QString &text);
};
