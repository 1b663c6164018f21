#include "ApplicationFolders.h"
#include "InstalledMatlabEntry.h"
#include "MatlabLocator.h"
#include "StartupSteps.h"
#include "ToolchainHandlerGUI.h"
#include "TestFiles.h"
#include "UriHandler.h"
#include "main_Application.h"

#include <QApplication>
#include <QQmlComponent>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include "HalvoraTestPaths.h"

// The toolchain's whole round: a row's button starts MATLAB (the fake matlab script),
// which installs and reports its progress by starting the program with halvora: links,
// as the toolchain does; the links reach the running instance's panel.
class tst_ToolchainLinks : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_matlabRoot;

private slots:
    void initTestCase()
    {
        QVERIFY(m_matlabRoot.isValid());
        const QString program = m_matlabRoot.filePath(QStringLiteral("R2023a/bin/matlab"));
        QVERIFY(QDir().mkpath(QFileInfo(program).absolutePath()));
        QVERIFY(QFile::copy(QStringLiteral(HALVORA_SOURCE_DIR "/tests/delivery/data/fake-matlab.sh"), program));
        QVERIFY(QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner));
        qputenv(MatlabLocator::kRootsVariable, m_matlabRoot.path().toUtf8());
        qputenv("FAKE_MATLAB_PROGRAM", HALVORA_LAB_EXECUTABLE);
        qputenv("FAKE_MATLAB_LOG", m_matlabRoot.filePath(QStringLiteral("matlab.log")).toUtf8());

        // A whole toolchain copy in place; the version information is out of reach.
        const QString folder = ApplicationFolders::instance()
                                   .subFolder(ApplicationFolders::ProgramDataFolder, "MatlabHelper/ToolchainInstall")
                                   ->absolutePath();
        QVERIFY(writeFile(folder + QStringLiteral("/installHalvoraToolchain.m"), "disp('install')"));
        QVERIFY(writeFile(folder + QStringLiteral("/version"), "1.3.0"));
    }

    // The panel's screen is among the program's resources and finds the panel object
    // in the program's engine.
    void panelInTheProgramsEngine()
    {
        main_Application app(nullptr, qApp);
        QQmlComponent component(&app.engine());
        component.setData(
            "import QtQuick\n"
            "Item {\n"
            "    property real uScale: 1\n"
            "    width: 920; height: 500\n"
            "    property alias panel: loader.item\n"
            "    Loader { id: loader; anchors.fill: parent; source: 'qrc:/MatLab/GUI/MatlabSettings.qml' }\n"
            "}\n",
            QUrl(QStringLiteral("qrc:/panelHost.qml")));
        std::unique_ptr<QObject> host(component.create());
        QVERIFY2(host, qPrintable(component.errorString()));
        auto *panel = host->property("panel").value<QObject *>();
        QVERIFY(panel);
        auto *list = panel->findChild<QObject *>(QStringLiteral("matlabList"));
        QVERIFY(list);
        auto *view = list->property("item").value<QObject *>();
        QVERIFY(view);
        QCOMPARE(view->property("count").toInt(), 1);
    }

    void installAndRemoveThroughLinks()
    {
        main_Application app(nullptr, qApp);
        UriHandler guard(QString::fromLatin1(halvora::startup::kUriScheme));
        QVERIFY(guard.ownsServer());
        halvora::startup::connectUriHandling(guard, app);

        QCOMPARE(app.toolchainInstall()->installedMatlabs().size(), 1);
        InstalledMatlabEntry *row = app.toolchainInstall()->installedMatlabs().constFirst();
        QCOMPARE(row->readableMatlabVersion(), QStringLiteral("R2023a"));
        QVERIFY(!row->isInstalled());

        row->install();
        QCOMPARE(row->readableMsg(), QStringLiteral("Starting MATLAB."));
        QTRY_COMPARE_WITH_TIMEOUT(row->readableMsg(), QStringLiteral("Done"), 120000);
        QVERIFY(!row->errorHappened());
        QTRY_COMPARE(row->toolchainVersion(), QStringLiteral("1.3.0"));
        QVERIFY(!row->isBusy());

        row->uninstall();
        QTRY_COMPARE_WITH_TIMEOUT(row->toolchainVersion(), QString(), 120000);
        QCOMPARE(row->readableMsg(), QStringLiteral("Done"));
        QVERIFY(!row->isBusy());
    }
};

QTEST_MAIN(tst_ToolchainLinks)
#include "tst_ToolchainLinks.moc"
