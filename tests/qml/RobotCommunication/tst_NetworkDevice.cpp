#include "NetworkDevice.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using ostrel::infra::AddressFamily;
using ostrel::infra::NetworkDeviceInfo;

namespace {

// Stand-ins found on the PATH: the terminal records its command line and runs what
// follows "-e" without input (so the pause after the session ends at once); ssh
// records its arguments.
const QByteArray fakeTerminal = "#!/bin/sh\n"
                                "printf '%s\\n' \"${0##*/}\" \"$@\" > \"$FAKE_OUTPUT/terminal\"\n"
                                "while [ \"$1\" != -e ]; do shift; done\n"
                                "shift\n"
                                "exec \"$@\" < /dev/null > /dev/null\n";
const QByteArray fakeSsh = "#!/bin/sh\n"
                           "printf '%s\\n' \"$@\" > \"$FAKE_OUTPUT/ssh.part\"\n"
                           "/bin/mv \"$FAKE_OUTPUT/ssh.part\" \"$FAKE_OUTPUT/ssh\"\n";

NetworkDeviceInfo robot(const QString &addressv4, quint16 port)
{
    NetworkDeviceInfo info;
    info.hostname = "alpha";
    info.servicename = "alpha";
    info.txt["ostrel_device_serial"] = "42";
    info.txt["ostrel_device_type"] = "zx";
    info.family = AddressFamily::IPv4;
    info.address = addressv4.toStdString();
    info.port = port;
    return info;
}

QStringList readLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

class tst_NetworkDevice : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_bin;
    QTemporaryDir m_output;

    void install(const QString &name, const QByteArray &script)
    {
        QFile file(m_bin.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(script);
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

private slots:
    void init()
    {
        QVERIFY(m_bin.isValid() && m_output.isValid());
        for (const QString &name : QDir(m_bin.path()).entryList(QDir::Files))
            QFile::remove(m_bin.filePath(name));
        for (const QString &name : QDir(m_output.path()).entryList(QDir::Files))
            QFile::remove(m_output.filePath(name));
        qputenv("PATH", QFile::encodeName(m_bin.path()));
        qputenv("FAKE_OUTPUT", QFile::encodeName(m_output.path()));
    }

    void launchOpensConsole_data()
    {
        QTest::addColumn<QString>("terminal");
        QTest::addColumn<QString>("addressv6");
        QTest::addColumn<QString>("username");
        QTest::addColumn<QStringList>("sshArguments");

        QTest::newRow("IPv4 only, no user name")
            << "x-terminal-emulator" << QString() << QString() << QStringList{"10.0.0.5", "-p22"};
        QTest::newRow("user name and IPv6, which is preferred") << "x-terminal-emulator"
                                                                << "fe80::5%eth0"
                                                                << "robot" << QStringList{"robot@fe80::5%eth0", "-p22"};
        QTest::newRow("xterm without x-terminal-emulator")
            << "xterm" << QString() << "robot" << QStringList{"robot@10.0.0.5", "-p22"};
        QTest::newRow("shell characters stay in one argument")
            << "x-terminal-emulator" << QString() << "a;b&c$(id)'\"" << QStringList{"a;b&c$(id)'\"@10.0.0.5", "-p22"};
    }
    void launchOpensConsole()
    {
        QFETCH(QString, terminal);
        QFETCH(QString, addressv6);
        QFETCH(QString, username);
        QFETCH(QStringList, sshArguments);

        install(terminal, fakeTerminal);
        install("ssh", fakeSsh);
        NetworkDevice device(robot("10.0.0.5", 22), nullptr);
        if (!addressv6.isEmpty())
            device.setAddress(AddressFamily::IPv6, addressv6);

        device.launchSSH(username);
        QTRY_VERIFY(QFile::exists(m_output.filePath("ssh")));

        const QStringList terminalArguments = readLines(m_output.filePath("terminal"));
        QVERIFY2(terminalArguments.size() >= 8, qPrintable(terminalArguments.join(' ')));
        QCOMPARE(terminalArguments.mid(0, 5),
                 (QStringList{terminal, "-T", "SSH session with alpha(42)", "-e", "/bin/sh"}));
        QCOMPARE(terminalArguments.last(2), sshArguments);
        QCOMPARE(readLines(m_output.filePath("ssh")), sshArguments);
        // The process object stays with the device.
        QCOMPARE(device.findChildren<QProcess *>().size(), 1);
    }

    void launchRefused_data()
    {
        QTest::addColumn<bool>("withSsh");
        QTest::addColumn<bool>("withTerminal");
        QTest::addColumn<QString>("username");
        QTest::addColumn<QString>("message");

        QTest::newRow("no ssh on the PATH") << false << true << "robot"
                                            << "^Could not find ssh executable$";
        QTest::newRow("no terminal on the PATH") << true << false << "robot"
                                                 << "Could not find a terminal emulator";
        QTest::newRow("user name read as an ssh option") << true << true << "-oProxyCommand=touch x"
                                                         << "Refusing to start ssh with the user name";
        QTest::newRow("user name with a blank") << true << true << "a b"
                                                << "Refusing to start ssh with the user name";
        QTest::newRow("user name with a control character") << true << true << "a\u0007"
                                                            << "Refusing to start ssh with the user name";
    }
    void launchRefused()
    {
        QFETCH(bool, withSsh);
        QFETCH(bool, withTerminal);
        QFETCH(QString, username);
        QFETCH(QString, message);

        if (withSsh)
            install("ssh", fakeSsh);
        if (withTerminal)
            install("x-terminal-emulator", fakeTerminal);
        NetworkDevice device(robot("10.0.0.5", 22), nullptr);
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(message));
        device.launchSSH(username);
        QVERIFY(device.findChildren<QProcess *>().isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_NetworkDevice)
#include "tst_NetworkDevice.moc"
