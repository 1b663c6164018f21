#pragma once

#include "ControlChannel.h"

#include <QMetaMethod>
#include <QObject>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <cstring>

// Records every signal of an object, in the order they come, as one line each:
// the signal's name and its arguments. A record shows as "0" when all its bytes are
// zero and as hexadecimal otherwise; texts are quoted; enumerations show as numbers.
// Works like QSignalSpy, but keeps the order across all signals.
class SignalRecorder : public QObject
{
public:
    explicit SignalRecorder(QObject *source)
    {
        const QMetaObject *meta = source->metaObject();
        for (int i = QObject::staticMetaObject.methodCount(); i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            if (method.methodType() != QMetaMethod::Signal)
                continue;
            m_signals.append(method);
            QMetaObject::connect(source, i, this, QObject::staticMetaObject.methodCount() + int(m_signals.size()) - 1,
                                 Qt::DirectConnection);
        }
    }

    QStringList lines;

    static QString record(QByteArrayView bytes)
    {
        const bool zero = std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == 0; });
        return zero ? QStringLiteral("0") : QString::fromLatin1(bytes.toByteArray().toHex());
    }

    int qt_metacall(QMetaObject::Call call, int id, void **args) override
    {
        id = QObject::qt_metacall(call, id, args);
        if (id < 0 || call != QMetaObject::InvokeMetaMethod)
            return id;
        const QMetaMethod &method = m_signals.at(id);
        QStringList parts{QString::fromLatin1(method.name())};
        for (int p = 0; p < method.parameterCount(); ++p)
            parts << describe(method.parameterMetaType(p), args[p + 1]);
        lines << parts.join(' ');
        return -1;
    }

private:
    template<typename T>
    static QString rawRecord(const void *value)
    {
        const auto &bytes = static_cast<const T *>(value)->bytes;
        return record(QByteArrayView(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size())));
    }

    static QString describe(QMetaType type, const void *value)
    {
        if (type.flags() & QMetaType::IsEnumeration) {
            quint64 number = 0;
            std::memcpy(&number, value, std::size_t(type.sizeOf()));
            return QString::number(number);
        }
        if (type == QMetaType::fromType<ControlChannel::TimeDate>())
            return record(static_cast<const ControlChannel::TimeDate *>(value)->toBytes());
        if (type == QMetaType::fromType<ControlChannel::BoardInfo2>())
            return record(static_cast<const ControlChannel::BoardInfo2 *>(value)->toBytes());
        if (type == QMetaType::fromType<ControlChannel::WifiState>())
            return record(static_cast<const ControlChannel::WifiState *>(value)->toBytes());
        if (type == QMetaType::fromType<ControlChannel::WifiSettings>())
            return rawRecord<ControlChannel::WifiSettings>(value);
        if (type == QMetaType::fromType<ControlChannel::WifiIP>())
            return rawRecord<ControlChannel::WifiIP>(value);
        if (type == QMetaType::fromType<ControlChannel::WifiAPInfo>())
            return rawRecord<ControlChannel::WifiAPInfo>(value);
        if (type == QMetaType::fromType<ControlChannel::ImageDetails>())
            return rawRecord<ControlChannel::ImageDetails>(value);
        if (type == QMetaType::fromType<QByteArray>())
            return QString::fromLatin1(static_cast<const QByteArray *>(value)->toHex());
        if (type == QMetaType::fromType<QString>())
            return '\'' + *static_cast<const QString *>(value) + '\'';
        if (type == QMetaType::fromType<bool>())
            return *static_cast<const bool *>(value) ? QStringLiteral("true") : QStringLiteral("false");
        if (type == QMetaType::fromType<uint8_t>())
            return QString::number(*static_cast<const uint8_t *>(value));
        return QVariant(type, value).toString();
    }

    QList<QMetaMethod> m_signals;
};
