// The runner of the toolchain panel's QML tests: two panels, one of a computer with
// two MATLAB releases (R2023b with a toolchain installed, a current toolchain copy in
// place) and one of a computer without MATLAB, and the notification list.
// First: QtQuickTest reads QUICK_TEST_SOURCE_DIR as it is included.
#include "HalvoraTestPaths.h"
#include "ApplicationFolders.h"
#include "ErrorHandler.h"
#include "MatlabHelper.h"
#include "TestFiles.h"
#include "ToolchainHandlerGUI.h"
#include "VersionControl.h"

#include <QDir>
#include <QFile>
#include <QQmlContext>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QtQuickTest>

class MatlabSettingsTestSetup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        engine->addImportPath(QStringLiteral(HALVORA_QML_IMPORT_DIR));
        QCoreApplication::setOrganizationName(QStringLiteral("Ostrel"));
        QCoreApplication::setApplicationName(QStringLiteral("Halvora Lab"));

        for (const char *release : {"R2023a", "R2023b"}) {
            const QString program = m_roots.filePath(QString::fromLatin1(release) + QStringLiteral("/bin/matlab"));
            writeFile(program, "#!/bin/sh\n");
            QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner);
        }
        const QString helper = ApplicationFolders::instance()
                                   .subFolder(ApplicationFolders::ProgramDataFolder, MatlabHelper::kFolderName)
                                   ->absolutePath();
        writeFile(helper + QStringLiteral("/MatlabToolchainVersion/toolchain_9_15.json"),
                  R"({"ToolchainVersion":"1.2.0"})");
        writeFile(helper + QStringLiteral("/ToolchainInstall/version"), "1.2.0");

        m_withMatlab = std::make_unique<ToolchainHandlerGUI>(nullptr, settings(m_roots.path()));
        m_withoutMatlab = std::make_unique<ToolchainHandlerGUI>(nullptr, settings(m_empty.path()));
        engine->rootContext()->setContextProperty(QStringLiteral("panelWithMatlab"), m_withMatlab.get());
        engine->rootContext()->setContextProperty(QStringLiteral("panelWithoutMatlab"), m_withoutMatlab.get());
        engine->rootContext()->setContextProperty(QStringLiteral("Notifications"), ErrorHandler::instance());
        engine->rootContext()->setContextProperty(QStringLiteral("screensFolder"),
                                                  QUrl::fromLocalFile(QStringLiteral(HALVORA_SOURCE_DIR
                                                                                     "/screens/MatLab/GUI/")));
    }

    void cleanupTestCase()
    {
        m_withMatlab.reset();
        m_withoutMatlab.reset();
    }

private:
    ToolchainHandler::Settings settings(const QString &root)
    {
        ToolchainHandler::Settings settings;
        settings.versions = &m_versions;
        settings.matlab.installationRoots = QStringList{root};
        settings.matlab.launch = [](const MatlabCommand &) { return true; };
        return settings;
    }

    QTemporaryDir m_roots;
    QTemporaryDir m_empty;
    VersionControl m_versions;
    std::unique_ptr<ToolchainHandlerGUI> m_withMatlab;
    std::unique_ptr<ToolchainHandlerGUI> m_withoutMatlab;
};

QUICK_TEST_MAIN_WITH_SETUP(tst_MatlabSettings, MatlabSettingsTestSetup)

#include "MatlabSettingsQmlTestMain.moc"
