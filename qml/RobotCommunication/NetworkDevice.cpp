#include "NetworkDevice.h"

#include "TerminalConsole.h"

#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>

Q_LOGGING_CATEGORY(lcNetworkDevice, "Wayvane.NetworkDevice")

using ostrel::infra::AddressFamily;
using ostrel::infra::NetworkDeviceInfo;

namespace {

QString fromBytes(const std::string &bytes)
{
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

// A name that ssh would read as an option, or that holds blanks or control
// characters, is no user name.
bool isAcceptableUserName(const QString &username)
{
    if (username.startsWith(QLatin1Char('-')))
        return false;
    return std::none_of(username.begin(), username.end(),
                        [](QChar c) { return c.isSpace() || c.category() == QChar::Other_Control; });
}

} // namespace

NetworkDevice::NetworkDevice(const NetworkDeviceInfo &info, QObject *parent)
    : QObject(parent)
    , m_serial(fromBytes(info.txtValue("ostrel_device_serial")))
    , m_servicename(fromBytes(info.servicename))
    , m_devicetype(fromBytes(info.txtValue("ostrel_device_type")))
    , m_hostname(fromBytes(info.hostname))
    , m_port(info.port)
{
    if (info.family == AddressFamily::IPv4)
        m_addressv4 = fromBytes(info.address);
    else if (info.family == AddressFamily::IPv6)
        m_addressv6 = fromBytes(info.address);
}

void NetworkDevice::launchSSH(const QString &username)
{
    const QString ssh = QStandardPaths::findExecutable(QStringLiteral("ssh"));
    if (ssh.isEmpty()) {
        qCritical() << "Could not find ssh executable";
        return;
    }
    if (!isAcceptableUserName(username)) {
        qCritical() << "Refusing to start ssh with the user name" << username;
        return;
    }
    const QString address = m_addressv6.isEmpty() ? m_addressv4 : m_addressv6;
    const QString target = username.isEmpty() ? address : username + QLatin1Char('@') + address;
    const QStringList arguments{target, QStringLiteral("-p") + QString::number(m_port)};
    const QString title = QStringLiteral("SSH session with ") + m_hostname + QLatin1Char('(') + m_serial
                          + QLatin1Char(')');

    const auto console = TerminalConsole::forProgram(title, ssh, arguments);
    if (!console) {
        qCritical() << "Could not find a terminal emulator (x-terminal-emulator or xterm) for the SSH session";
        return;
    }
    auto *process = new QProcess(this);
    process->setProgram(console->program);
    process->setArguments(console->arguments);
    qCDebug(lcNetworkDevice) << "Launching SSH shell with command:" << console->program
                             << console->arguments.join(QLatin1Char(' '));
    process->startDetached();
}

bool NetworkDevice::sameWithoutAddress(const NetworkDeviceInfo *info) const
{
    return info != nullptr && m_serial == fromBytes(info->txtValue("ostrel_device_serial"))
           && m_servicename == fromBytes(info->servicename) && m_hostname == fromBytes(info->hostname)
           && m_port == info->port;
}

bool NetworkDevice::matches(const NetworkDeviceInfo &info) const
{
    if (!sameWithoutAddress(&info))
        return false;
    switch (info.family) {
    case AddressFamily::IPv4:
        return m_addressv4 == fromBytes(info.address);
    case AddressFamily::IPv6:
        return m_addressv6 == fromBytes(info.address);
    }
    return false;
}

void NetworkDevice::setAddress(AddressFamily family, const QString &address)
{
    switch (family) {
    case AddressFamily::IPv4:
        m_addressv4 = address;
        emit addressV4Updated();
        break;
    case AddressFamily::IPv6:
        m_addressv6 = address;
        emit addressV6Updated();
        break;
    }
}
