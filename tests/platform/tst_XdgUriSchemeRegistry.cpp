#include "XdgUriSchemeRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include "HalvoraTestPaths.h"

// The scheme's registration in XDG folders, read back by our own lookup and by the
// desktop's own tool (xdg-mime), and written by the registration helper.
class tst_XdgUriSchemeRegistry : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    XdgUriSchemeRegistry::Folders m_folders;
    const QString m_program = QStringLiteral("/opt/halvora/bin/halvora-lab");

    QString path(const QString &relative) const { return m_root.filePath(relative); }

    static bool write(const QString &file, const QByteArray &text)
    {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile out(file);
        return out.open(QIODevice::WriteOnly) && out.write(text) == text.size();
    }

    static QByteArray read(const QString &file)
    {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    static QByteArray desktopEntry(const QByteArray &exec)
    {
        return "[Desktop Entry]\nType=Application\nName=Other\nExec=" + exec + "\nMimeType=x-scheme-handler/halvora;\n";
    }

    QProcessEnvironment xdgEnvironment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", path("home"));
        environment.insert("XDG_CONFIG_HOME", m_folders.configHome);
        environment.insert("XDG_CONFIG_DIRS", m_folders.configDirs.join(':'));
        environment.insert("XDG_DATA_HOME", m_folders.dataHome);
        environment.insert("XDG_DATA_DIRS", m_folders.dataDirs.join(':'));
        environment.remove("XDG_CURRENT_DESKTOP");
        environment.remove("DESKTOP_SESSION");
        return environment;
    }

    // What the desktop's own tool names as the opener of halvora: links.
    QString xdgMimeDefault() const
    {
        QProcess xdgMime;
        xdgMime.setProcessEnvironment(xdgEnvironment());
        xdgMime.start(QStringLiteral("xdg-mime"), {"query", "default", "x-scheme-handler/halvora"});
        if (!xdgMime.waitForFinished(30000))
            return QStringLiteral("(xdg-mime did not finish)");
        return QString::fromUtf8(xdgMime.readAllStandardOutput()).trimmed();
    }

private slots:
    void init()
    {
        QDir(m_root.path()).removeRecursively();
        QVERIFY(QDir().mkpath(m_root.path()));
        m_folders = {path("config"), {path("config-dirs")}, path("data"), {path("data-dirs")}, {}};
    }

    void installIsWhatTheDesktopReads()
    {
        XdgUriSchemeRegistry registry(m_folders);
        QVERIFY(!registry.isSchemeRegistered("halvora"));
        QCOMPARE(xdgMimeDefault(), QString());

        QString error;
        QVERIFY2(registry.install("halvora", m_program, &error), qPrintable(error));
        QCOMPARE(registry.desktopEntryPath(), path("data/applications/halvora-lab.desktop"));
        QCOMPARE(registry.defaultHandlerEntry("halvora"), registry.desktopEntryPath());
        QVERIFY(registry.isSchemeRegistered("halvora"));
        QVERIFY(registry.isRegisteredToApplication("halvora", m_program));
        QVERIFY(!registry.isRegisteredToApplication("halvora", "/opt/halvora/bin/Halvora-lab"));
        QCOMPARE(xdgMimeDefault(), QStringLiteral("halvora-lab.desktop"));

        const QByteArray entry = read(registry.desktopEntryPath());
        QVERIFY2(entry.contains("\nExec=/opt/halvora/bin/halvora-lab --uri %u\n"), entry);
        QVERIFY2(entry.contains("\nMimeType=x-scheme-handler/halvora;\n"), entry);
        QVERIFY2(entry.contains("\nNoDisplay=true\n"), entry);
    }

    void installKeepsTheUsersOtherChoices()
    {
        const QByteArray before = "[Default Applications]\ntext/html=browser.desktop\n"
                                  "x-scheme-handler/halvora=other.desktop\n\n[Added Associations]\n"
                                  "text/plain=editor.desktop;\n";
        QVERIFY(write(path("config/mimeapps.list"), before));
        XdgUriSchemeRegistry registry(m_folders);
        QVERIFY(registry.install("halvora", m_program, nullptr));
        QCOMPARE(read(path("config/mimeapps.list")),
                 QByteArray("[Default Applications]\ntext/html=browser.desktop\n"
                            "x-scheme-handler/halvora=halvora-lab.desktop\n\n[Added Associations]\n"
                            "text/plain=editor.desktop;\n"));
    }

    // Who opens the links, as the desktop's lookup order decides it.
    void registrationStates_data()
    {
        QTest::addColumn<QStringList>("files"); // path=content pairs, "|" between them
        QTest::addColumn<QStringList>("desktops");
        QTest::addColumn<bool>("registered");
        QTest::addColumn<bool>("ours");
        const QString ourEntry = "data/applications/halvora-lab.desktop="
                                 + desktopEntry("/opt/halvora/bin/halvora-lab --uri %u");
        const QString ourDefault =
            "config/mimeapps.list=[Default Applications]\nx-scheme-handler/halvora=halvora-lab.desktop\n";
        QTest::newRow("nothing") << QStringList{} << QStringList{} << false << false;
        QTest::newRow("our entry, not the default") << QStringList{ourEntry} << QStringList{} << false << false;
        QTest::newRow("ours") << QStringList{ourEntry, ourDefault} << QStringList{} << true << true;
        QTest::newRow("a default whose entry is missing") << QStringList{ourDefault} << QStringList{} << false << false;
        QTest::newRow("another program")
            << QStringList{"data-dirs/applications/other.desktop=" + desktopEntry("/usr/bin/other %u"),
                           "config/mimeapps.list=[Default Applications]\nx-scheme-handler/halvora=other.desktop\n"}
            << QStringList{} << true << false;
        QTest::newRow("our path in another letter case") << QStringList{
            "data/applications/halvora-lab.desktop=" + desktopEntry("/opt/Halvora/bin/halvora-lab --uri %u"),
            ourDefault} << QStringList{} << true << false;
        QTest::newRow("our program without the link option")
            << QStringList{"data/applications/halvora-lab.desktop=" + desktopEntry("/opt/halvora/bin/halvora-lab %u"),
                           ourDefault}
            << QStringList{} << true << false;
        QTest::newRow("quoted path") << QStringList{"data/applications/halvora-lab.desktop="
                                                        + desktopEntry("\"/opt/halvora/bin/halvora-lab\" --uri %u"),
                                                    ourDefault}
                                     << QStringList{} << true << true;
        QTest::newRow("the first listed entry that exists")
            << QStringList{ourEntry, "config/mimeapps.list=[Default Applications]\n"
                                     "x-scheme-handler/halvora=gone.desktop;halvora-lab.desktop;\n"}
            << QStringList{} << true << true;
        QTest::newRow("the user's list before the system's")
            << QStringList{ourEntry, ourDefault,
                           "data-dirs/applications/other.desktop=" + desktopEntry("/usr/bin/other %u"),
                           "config-dirs/mimeapps.list=[Default Applications]\nx-scheme-handler/halvora=other.desktop\n"}
            << QStringList{} << true << true;
        QTest::newRow("a system default only")
            << QStringList{ourEntry, "data-dirs/applications/other.desktop=" + desktopEntry("/usr/bin/other %u"),
                           "data-dirs/applications/mimeapps.list=[Default "
                           "Applications]\nx-scheme-handler/halvora=other.desktop\n"}
            << QStringList{} << true << false;
        QTest::newRow("the desktop's own list first")
            << QStringList{ourEntry, ourDefault,
                           "data-dirs/applications/other.desktop=" + desktopEntry("/usr/bin/other %u"),
                           "config/gnome-mimeapps.list=[Default "
                           "Applications]\nx-scheme-handler/halvora=other.desktop\n"}
            << QStringList{"gnome"} << true << false;
        QTest::newRow("an id that leaves the folder")
            << QStringList{ourEntry, "config/mimeapps.list=[Default Applications]\n"
                                     "x-scheme-handler/halvora=../applications/halvora-lab.desktop\n"}
            << QStringList{} << false << false;
    }
    void registrationStates()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, desktops);
        QFETCH(bool, registered);
        QFETCH(bool, ours);
        for (const QString &file : std::as_const(files)) {
            const qsizetype equals = file.indexOf('=');
            QVERIFY(write(path(file.left(equals)), file.mid(equals + 1).toUtf8()));
        }
        m_folders.desktops = desktops;
        const XdgUriSchemeRegistry registry(m_folders);
        QCOMPARE(registry.isSchemeRegistered("halvora"), registered);
        QCOMPARE(registry.isRegisteredToApplication("halvora", m_program), ours);
    }

    void refusedInstalls_data()
    {
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("error");
        QTest::newRow("scheme with a slash") << "halvora/../x" << m_program << "Not a URI scheme";
        QTest::newRow("scheme with a newline") << "halvora\nx" << m_program << "Not a URI scheme";
        QTest::newRow("empty scheme") << "" << m_program << "Not a URI scheme";
        QTest::newRow("relative program") << "halvora"
                                          << "bin/halvora-lab"
                                          << "Not an absolute program path";
        QTest::newRow("program with a newline") << "halvora"
                                                << "/opt/a\nExec=/bin/sh"
                                                << "Not an absolute program path";
    }
    void refusedInstalls()
    {
        QFETCH(QString, scheme);
        QFETCH(QString, program);
        QFETCH(QString, error);
        XdgUriSchemeRegistry registry(m_folders);
        QString errorText;
        QVERIFY(!registry.install(scheme, program, &errorText));
        QVERIFY2(errorText.startsWith(error), qPrintable(errorText));
        QVERIFY(!QFileInfo::exists(registry.desktopEntryPath()));
        QVERIFY(!QFileInfo::exists(registry.mimeAppsListPath()));
    }

    void unwritableFolderFails()
    {
        QVERIFY(write(path("data"), "a file where the folder should be"));
        XdgUriSchemeRegistry registry(m_folders);
        QString error;
        QVERIFY(!registry.install("halvora", m_program, &error));
        QVERIFY2(error.contains("data/applications"), qPrintable(error));
    }

    // The helper program: its command line, exit codes and what it writes.
    void helperProgram_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("install")
            << QStringList{"--command", "installscheme", "--scheme", "halvora", "--application", m_program} << 0
            << QString();
        QTest::newRow("unknown command")
            << QStringList{"--command", "removescheme", "--scheme", "halvora", "--application", m_program} << 2
            << "unknown command \"removescheme\"";
        QTest::newRow("missing program") << QStringList{"--command", "installscheme", "--scheme", "halvora"} << 2
                                         << "installscheme needs --scheme and --application";
        QTest::newRow("unknown option") << QStringList{"--force"} << 2 << "Unknown option 'force'";
        QTest::newRow("bad scheme")
            << QStringList{"--command", "installscheme", "--scheme", "a b", "--application", m_program} << 1
            << "Not a URI scheme";
    }
    void helperProgram()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QProcess helper;
        helper.setProcessEnvironment(xdgEnvironment());
        helper.start(QStringLiteral(DETACHED_HELPER), arguments);
        QVERIFY(helper.waitForFinished(30000));
        QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
        QCOMPARE(helper.exitCode(), exitCode);
        const QString error = QString::fromUtf8(helper.readAllStandardError());
        QVERIFY2(message.isEmpty() ? error.isEmpty() : error.contains(message), qPrintable(error));
        QCOMPARE(XdgUriSchemeRegistry(m_folders).isRegisteredToApplication("halvora", m_program), exitCode == 0);
    }
};

QTEST_GUILESS_MAIN(tst_XdgUriSchemeRegistry)
#include "tst_XdgUriSchemeRegistry.moc"
