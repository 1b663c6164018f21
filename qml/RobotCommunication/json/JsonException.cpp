#include "JsonException.h"

#include <QObject>

JsonException::JsonException(const QString &message)
    : m_message(message.toUtf8())
{
}

JsonException::~JsonException() = default;

const char *JsonException::what() const noexcept
{
    return m_message.constData();
}

void JsonException::raise() const
{
    throw *this;
}

JsonException *JsonException::clone() const
{
    return new JsonException(*this);
}

JsonInvalidTypeException::JsonInvalidTypeException()
    : JsonException(QObject::tr("Invalid type for json value."))
{
}

JsonInvalidTypeException::JsonInvalidTypeException(const QString &typeName)
    : JsonException(QObject::tr("Could not parse JSON value as type \"%1\"").arg(typeName))
{
}

JsonInvalidTypeException::JsonInvalidTypeException(const QString &key, QJsonValue::Type found,
                                                   QJsonValue::Type expected)
    : JsonException(QObject::tr("Invalid type \"%1\" for json value \"%2\". Expected \"%3\"")
                        .arg(jsonTypeName(found), key, jsonTypeName(expected)))
{
}

JsonInvalidTypeException::JsonInvalidTypeException(QJsonValue::Type found, QJsonValue::Type expected)
    : JsonException(QObject::tr("Invalid type \"%1\" for json value. Expected \"%2\"")
                        .arg(jsonTypeName(found), jsonTypeName(expected)))
{
}

JsonInvalidTypeException::~JsonInvalidTypeException() = default;

void JsonInvalidTypeException::raise() const
{
    throw *this;
}

JsonInvalidTypeException *JsonInvalidTypeException::clone() const
{
    return new JsonInvalidTypeException(*this);
}

JsonUndefinedException::JsonUndefinedException()
    : JsonException(QStringLiteral("Missing expected json value"))
{
}

JsonUndefinedException::~JsonUndefinedException() = default;

void JsonUndefinedException::raise() const
{
    throw *this;
}

JsonUndefinedException *JsonUndefinedException::clone() const
{
    return new JsonUndefinedException(*this);
}

QString jsonTypeName(QJsonValue::Type type)
{
    switch (type) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return QStringLiteral("boolean");
    case QJsonValue::Double:
        return QStringLiteral("number");
    case QJsonValue::String:
        return QStringLiteral("string");
    case QJsonValue::Array:
        return QStringLiteral("array");
    case QJsonValue::Object:
        return QStringLiteral("object");
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("undefined");
}
