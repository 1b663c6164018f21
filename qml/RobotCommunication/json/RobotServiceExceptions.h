#pragma once

#include <QException>
#include <QJsonArray>
#include <QString>

#include <string>

// The failures of robot connections and service calls. Like the JSON exceptions they
// derive from QException, so that the futures of service calls carry them to whoever
// waits, and on to QML as the message of a rejected promise.

class RobotNotConnectedException : public QException
{
public:
    ~RobotNotConnectedException() override;
    const char *what() const noexcept override;
    void raise() const override;
    RobotNotConnectedException *clone() const override;
};

class ServiceCallTimeoutException : public QException
{
public:
    ~ServiceCallTimeoutException() override;
    const char *what() const noexcept override;
    void raise() const override;
    ServiceCallTimeoutException *clone() const override;
};

// The robot answered that the call failed, or answered with a failure of its own.
class ServiceCallFailedException : public QException
{
public:
    explicit ServiceCallFailedException(const QString &message);
    explicit ServiceCallFailedException(const QJsonArray &values);
    ~ServiceCallFailedException() override;

    const char *what() const noexcept override;
    void raise() const override;
    ServiceCallFailedException *clone() const override;

    const QJsonArray &values() const { return m_values; }

private:
    QJsonArray m_values;
    std::string m_message; // UTF-8
};

// A call that expects a single response value received none or several.
class ServiceCallMoreThanOneResponseException : public QException
{
public:
    explicit ServiceCallMoreThanOneResponseException(const QJsonArray &values);
    ~ServiceCallMoreThanOneResponseException() override;

    const char *what() const noexcept override;
    void raise() const override;
    ServiceCallMoreThanOneResponseException *clone() const override;

    const QJsonArray &values() const { return m_values; }

private:
    QJsonArray m_values;
};

class RobotConnectionFailedException : public QException
{
public:
    ~RobotConnectionFailedException() override;
    const char *what() const noexcept override;
    void raise() const override;
    RobotConnectionFailedException *clone() const override;
};
