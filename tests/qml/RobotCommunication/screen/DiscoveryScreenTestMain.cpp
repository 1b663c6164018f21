// The runner of the robot discovery screen's tests: the project's QML modules, a feed
// that plays the discovery engine for managers without one, and stand-ins for the
// terminal and ssh on the PATH that record how a console was started.
// First: QtQuickTest reads QUICK_TEST_SOURCE_DIR as it is included.
#include "HalvoraTestPaths.h"
#include "NetworkDeviceManager.h"

#include <QDir>
#include <QFile>
#include <QQmlContext>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QtQuickTest>

using ostrel::infra::AddressFamily;
using ostrel::infra::NetworkDeviceInfo;

namespace {

// The terminal runs what follows "-e" without input; ssh records its arguments.
const QByteArray fakeTerminal = "#!/bin/sh\n"
                                "while [ \"$1\" != -e ]; do shift; done\n"
                                "shift\n"
                                "exec \"$@\" < /dev/null > /dev/null\n";
const QByteArray fakeSsh = "#!/bin/sh\n"
                           "printf '%s\\n' \"$@\" > \"$FAKE_OUTPUT/ssh.part\"\n"
                           "/bin/mv \"$FAKE_OUTPUT/ssh.part\" \"$FAKE_OUTPUT/ssh\"\n";

} // namespace

class RobotFeed : public QObject
{
    Q_OBJECT

public:
    explicit RobotFeed(QObject *parent)
        : QObject(parent)
    {
        install(QStringLiteral("x-terminal-emulator"), fakeTerminal);
        install(QStringLiteral("ssh"), fakeSsh);
        qputenv("PATH", QFile::encodeName(m_bin.path()));
        qputenv("FAKE_OUTPUT", QFile::encodeName(m_output.path()));
    }

    // A manager that finds nothing by itself: the test reports its robots.
    Q_INVOKABLE QObject *newManager()
    {
        return new NetworkDeviceManager([](ostrel::infra::DeviceDiscoveryListener *) { return nullptr; }, this);
    }

    // As the discovery engine reports a robot heard on one address ("v4" or "v6").
    Q_INVOKABLE void found(QObject *manager, const QString &family, const QString &name, const QString &serial,
                           const QString &type, const QString &address)
    {
        if (auto *devices = qobject_cast<NetworkDeviceManager *>(manager))
            devices->deviceFound(info(family, name, serial, type, address));
    }

    Q_INVOKABLE void lost(QObject *manager, const QString &family, const QString &name, const QString &serial,
                          const QString &type, const QString &address)
    {
        if (auto *devices = qobject_cast<NetworkDeviceManager *>(manager))
            devices->deviceLost(info(family, name, serial, type, address));
    }

    // The arguments ssh was started with; empty while it was not.
    Q_INVOKABLE QStringList sshArguments() const
    {
        QFile file(QDir(m_output.path()).filePath(QStringLiteral("ssh")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

    Q_INVOKABLE void forgetSsh() { QFile::remove(QDir(m_output.path()).filePath(QStringLiteral("ssh"))); }

private:
    static NetworkDeviceInfo info(const QString &family, const QString &name, const QString &serial,
                                  const QString &type, const QString &address)
    {
        NetworkDeviceInfo info;
        info.family = family == QLatin1String("v6") ? AddressFamily::IPv6 : AddressFamily::IPv4;
        info.servicename = name.toStdString();
        info.hostname = info.servicename + ".local";
        info.txt["ostrel_device_type"] = type.toStdString();
        info.txt["ostrel_device_serial"] = serial.toStdString();
        info.port = 22;
        info.address = address.toStdString();
        return info;
    }

    void install(const QString &name, const QByteArray &script)
    {
        QFile file(QDir(m_bin.path()).filePath(name));
        if (file.open(QIODevice::WriteOnly)) {
            file.write(script);
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    }

    QTemporaryDir m_bin;
    QTemporaryDir m_output;
};

class DiscoveryScreenTestSetup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        engine->addImportPath(QStringLiteral(HALVORA_QML_IMPORT_DIR));
        engine->rootContext()->setContextProperty(QStringLiteral("robotFeed"), new RobotFeed(engine));
    }
};

QUICK_TEST_MAIN_WITH_SETUP(halvora_discovery_screen, DiscoveryScreenTestSetup)

#include "DiscoveryScreenTestMain.moc"
