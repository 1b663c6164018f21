#pragma once

#include <QByteArrayView>
#include <QList>
#include <QMetaMethod>
#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>

// Records every signal of an object, in the order they come, as one line each:
// the signal's name and its arguments. Byte arrays show as hexadecimal, texts are
// quoted, enumerations show as numbers; a describer given to it shows the types of
// a subsystem (records as "0" when all their bytes are zero, as hexadecimal
// otherwise). Works like QSignalSpy, but keeps the order across all signals.
class SignalRecorder : public QObject
{
public:
    // The text for a value of a type it knows, or nothing.
    using Describer = std::function<std::optional<QString>(QMetaType type, const void *value)>;

    explicit SignalRecorder(QObject *source, Describer describer = {});

    QStringList lines;

    static QString record(QByteArrayView bytes);

    int qt_metacall(QMetaObject::Call call, int id, void **args) override;

private:
    QString describe(QMetaType type, const void *value) const;

    Describer m_describer;
    QList<QMetaMethod> m_signals;
};
