#include "JsonReaders.h"

#include "JsonException.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

// The checks every reader starts with: present, and of the accepted type.
void requireType(const QJsonValue &value, QJsonValue::Type expected)
{
    if (value.isUndefined())
        throw JsonUndefinedException();
    if (value.type() != expected)
        throw JsonInvalidTypeException(value.type(), expected);
}

// A present object, else the named type could not be read.
QJsonObject requireObject(const QJsonValue &value, const QString &typeName)
{
    if (value.isUndefined())
        throw JsonUndefinedException();
    if (!value.isObject())
        throw JsonInvalidTypeException(typeName);
    return value.toObject();
}

const QString zeroUuid = QStringLiteral("00000000-0000-0000-0000-000000000000");
const QString bracedZeroUuid = QStringLiteral("{00000000-0000-0000-0000-000000000000}");

} // namespace

template<>
QString fromJson<QString>(JsonContext &, const QJsonValue &value)
{
    requireType(value, QJsonValue::String);
    return value.toString();
}

template<>
bool fromJson<bool>(JsonContext &, const QJsonValue &value)
{
    requireType(value, QJsonValue::Bool);
    return value.toBool();
}

template<>
double fromJson<double>(JsonContext &, const QJsonValue &value)
{
    requireType(value, QJsonValue::Double);
    return value.toDouble();
}

template<>
float fromJson<float>(JsonContext &, const QJsonValue &value)
{
    requireType(value, QJsonValue::Double);
    return float(value.toDouble());
}

template<>
QUuid fromJson<QUuid>(JsonContext &, const QJsonValue &value)
{
    requireType(value, QJsonValue::String);
    const QString text = value.toString();
    if (text.isEmpty() || text == zeroUuid || text == bracedZeroUuid)
        return {};
    const QUuid uuid = QUuid::fromString(text);
    if (uuid.isNull())
        throw JsonInvalidTypeException(QStringLiteral("UUID"));
    return uuid;
}

template<>
QList<double> fromJson<QList<double>>(JsonContext &, const QJsonValue &value)
{
    requireType(value, QJsonValue::Array);
    const QJsonArray array = value.toArray();
    QList<double> numbers;
    numbers.reserve(array.size());
    for (const QJsonValue element : array) {
        requireType(element, QJsonValue::Double);
        numbers.append(element.toDouble());
    }
    return numbers;
}

template<>
QVector3D fromJson<QVector3D>(JsonContext &context, const QJsonValue &value)
{
    const QJsonObject object = requireObject(value, QStringLiteral("position"));
    const float z = fromJson<float>(context, object.value(QLatin1String("z")));
    const float y = fromJson<float>(context, object.value(QLatin1String("y")));
    const float x = fromJson<float>(context, object.value(QLatin1String("x")));
    return {x, y, z};
}

template<>
QQuaternion fromJson<QQuaternion>(JsonContext &context, const QJsonValue &value)
{
    const QJsonObject object = requireObject(value, QStringLiteral("quaternion"));
    const float z = fromJson<float>(context, object.value(QLatin1String("z")));
    const float y = fromJson<float>(context, object.value(QLatin1String("y")));
    const float x = fromJson<float>(context, object.value(QLatin1String("x")));
    const float w = fromJson<float>(context, object.value(QLatin1String("w")));
    return {w, x, y, z};
}
