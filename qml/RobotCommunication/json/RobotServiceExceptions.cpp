#include "RobotServiceExceptions.h"

RobotNotConnectedException::~RobotNotConnectedException() = default;

const char *RobotNotConnectedException::what() const noexcept
{
    return "Robot is not connected";
}

void RobotNotConnectedException::raise() const
{
    throw *this;
}

RobotNotConnectedException *RobotNotConnectedException::clone() const
{
    return new RobotNotConnectedException(*this);
}

ServiceCallTimeoutException::~ServiceCallTimeoutException() = default;

const char *ServiceCallTimeoutException::what() const noexcept
{
    return "Service call timed out";
}

void ServiceCallTimeoutException::raise() const
{
    throw *this;
}

ServiceCallTimeoutException *ServiceCallTimeoutException::clone() const
{
    return new ServiceCallTimeoutException(*this);
}

ServiceCallFailedException::ServiceCallFailedException(const QString &message)
    : m_message(message.toStdString())
{
}

ServiceCallFailedException::ServiceCallFailedException(const QJsonArray &values)
    : m_values(values)
{
}

ServiceCallFailedException::~ServiceCallFailedException() = default;

const char *ServiceCallFailedException::what() const noexcept
{
    return m_message.empty() ? "Service call failed" : m_message.c_str();
}

void ServiceCallFailedException::raise() const
{
    throw *this;
}

ServiceCallFailedException *ServiceCallFailedException::clone() const
{
    return new ServiceCallFailedException(*this);
}

ServiceCallMoreThanOneResponseException::ServiceCallMoreThanOneResponseException(const QJsonArray &values)
    : m_values(values)
{
}

ServiceCallMoreThanOneResponseException::~ServiceCallMoreThanOneResponseException() = default;

const char *ServiceCallMoreThanOneResponseException::what() const noexcept
{
    return "Service call received more than one response";
}

void ServiceCallMoreThanOneResponseException::raise() const
{
    throw *this;
}

ServiceCallMoreThanOneResponseException *ServiceCallMoreThanOneResponseException::clone() const
{
    return new ServiceCallMoreThanOneResponseException(*this);
}

RobotConnectionFailedException::~RobotConnectionFailedException() = default;

const char *RobotConnectionFailedException::what() const noexcept
{
    return "Robot connection failed";
}

void RobotConnectionFailedException::raise() const
{
    throw *this;
}

RobotConnectionFailedException *RobotConnectionFailedException::clone() const
{
    return new RobotConnectionFailedException(*this);
}
