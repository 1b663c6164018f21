#pragma once

#include <QByteArray>
#include <QException>
#include <QJsonValue>
#include <QString>

// JSON that does not have the expected form. The exceptions of the robot stack derive
// from QException, so that a future can hold one and throw it again where it is
// awaited; what() is the text that logs and QML promises show.
class JsonException : public QException
{
public:
    explicit JsonException(const QString &message);
    ~JsonException() override;

    const char *what() const noexcept override;
    void raise() const override;
    JsonException *clone() const override;

private:
    QByteArray m_message; // UTF-8
};

// A JSON value of another type than the one expected.
class JsonInvalidTypeException : public JsonException
{
public:
    JsonInvalidTypeException();
    // The value could not be read as the named type ("UUID", "position", ...).
    explicit JsonInvalidTypeException(const QString &typeName);
    JsonInvalidTypeException(const QString &key, QJsonValue::Type found, QJsonValue::Type expected);
    JsonInvalidTypeException(QJsonValue::Type found, QJsonValue::Type expected);
    ~JsonInvalidTypeException() override;

    void raise() const override;
    JsonInvalidTypeException *clone() const override;
};

// An expected JSON value (usually a key of an object) that is absent.
class JsonUndefinedException : public JsonException
{
public:
    JsonUndefinedException();
    ~JsonUndefinedException() override;

    void raise() const override;
    JsonUndefinedException *clone() const override;
};

// The word for a JSON type that the exception texts use ("null", "boolean", ...).
QString jsonTypeName(QJsonValue::Type type);
