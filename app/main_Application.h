#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QQmlApplicationEngine>
#include <QUrl>

#include <memory>

class AppBinaryManager;
class FileDialogHandler;
class HardwareSettings;
class HardwareUpdate;
class LogDownloader;
class LogParser;
class OstFactory;
class QApplication;
class ToolchainHandlerGUI;
class UriDistributor;

// The application object and the program's composition root: it makes the
// managers that the screens bind to, connects them, registers the core QML types,
// hands the managers to QML and loads the main window.
class main_Application : public QObject
{
    Q_OBJECT

public:
    static const QUrl &mainWindowUrl();

    main_Application(QObject *parent, QApplication *application);
    // The screens go first, then the managers newest first, the device factory last.
    ~main_Application() override;

    QQmlApplicationEngine &engine() { return *m_engine; }
    OstFactory *ostFactory() const { return m_ostFactory; }
    UriDistributor *uriDistributor() const { return m_uriDistributor; }
    LogParser *logParser() const { return m_logParser; }
    LogDownloader *logDownloader() const { return m_logDownloader; }
    AppBinaryManager *appBinaryManager() const { return m_appBinaryManager; }
    ToolchainHandlerGUI *toolchainInstall() const { return m_toolchainInstall; }
    FileDialogHandler *fileDialogHandler() const { return m_fileDialogHandler; }
    HardwareSettings *hardwareSettings() const { return m_hardwareSettings; }
    HardwareUpdate *hardwareUpdate() const { return m_hardwareUpdate; }
    // The managers in the order they were made.
    QList<QObject *> managers() const;

    // Loads a QML window; false (with a critical log line) when nothing was created.
    bool load(const QUrl &url);
    bool isLoaded() const { return m_loaded; }

public slots:
    void uriReceived(const QUrl &url);

private:
    // A manager owned by the application object, remembered in the order of making.
    template<typename Manager, typename... Arguments>
    Manager *create(Arguments &&...arguments)
    {
        auto *manager = new Manager(this, std::forward<Arguments>(arguments)...);
        m_managers.append(manager);
        return manager;
    }

    void createManagers();
    static void registerQmlTypes();
    void setContextProperties();

    QApplication *m_application = nullptr;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QList<QPointer<QObject>> m_managers;
    OstFactory *m_ostFactory = nullptr;
    UriDistributor *m_uriDistributor = nullptr;
    LogParser *m_logParser = nullptr;
    LogDownloader *m_logDownloader = nullptr;
    AppBinaryManager *m_appBinaryManager = nullptr;
    ToolchainHandlerGUI *m_toolchainInstall = nullptr;
    FileDialogHandler *m_fileDialogHandler = nullptr;
    HardwareSettings *m_hardwareSettings = nullptr;
    HardwareUpdate *m_hardwareUpdate = nullptr;
    bool m_loaded = false;
};
