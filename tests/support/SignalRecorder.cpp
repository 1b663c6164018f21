#include "SignalRecorder.h"

#include <QVariant>

#include <algorithm>
#include <cstring>

SignalRecorder::SignalRecorder(QObject *source, Describer describer)
    : m_describer(std::move(describer))
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

QString SignalRecorder::record(QByteArrayView bytes)
{
    const bool zero = std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == 0; });
    return zero ? QStringLiteral("0") : QString::fromLatin1(bytes.toByteArray().toHex());
}

int SignalRecorder::qt_metacall(QMetaObject::Call call, int id, void **args)
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

QString SignalRecorder::describe(QMetaType type, const void *value) const
{
    if (type.flags() & QMetaType::IsEnumeration) {
        quint64 number = 0;
        std::memcpy(&number, value, std::size_t(type.sizeOf()));
        return QString::number(number);
    }
    if (m_describer) {
        if (std::optional<QString> text = m_describer(type, value))
            return *text;
    }
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
