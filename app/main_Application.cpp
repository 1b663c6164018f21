#include "main_Application.h"

#include "AbstractDataLink.h"
#include "AbstractNotification.h"
#include "AppBinaryManager.h"
#include "ApplicationVersionInfo.h"
#include "ControlChannel.h"
#include "DatalinkManager.h"
#include "ErrorChannel.h"
#include "ErrorHandler.h"
#include "ExtendedDeviceType.h"
#include "DeviceUpdateEntry.h"
#include "ExternalMonitor.h"
#include "FileDialogHandler.h"
#include "Halvora.h"
#include "HardwareSettings.h"
#include "HwSettingsGUI.h"
#include "HardwareUpdate.h"
#include "LogDownloader.h"
#include "LogParser.h"
#include "OstDevice.h"
#include "OstFactory.h"
#include "QMLNetworkAccesManagerFactory.h"
#include "ToolchainHandlerGUI.h"
#include "SimulinkDataTypes.h"
#include "SimulinkParameter.h"
#include "SimulinkSignal.h"
#include "SimulinkVariableFilterProxyModel.h"
#include "UriDistributor.h"
#include "VersionControl.h"
#include "Zelto.h"
#include "plotContainer.h"

#include <QApplication>
#include <QDebug>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>

#include <mutex>

namespace {

// Owned by the engine's lifetime: the engine keeps only a pointer to its factory.
QMLNetworkAccesManagerFactory &networkAccessFactory()
{
    static QMLNetworkAccesManagerFactory factory;
    return factory;
}

// For development without hardware: HALVORA_BOARD_ADDRESS names a board to connect
// to at start (such as the board simulator), and HALVORA_FALLBACK_BOARD_ADDRESS the
// address a lost Wi-Fi board that reported none is looked for at.
OstFactorySettings factorySettings()
{
    OstFactorySettings settings;
    settings.board.makeExternalMonitor = [](QObject *parent, DatalinkManager *packetRouter,
                                            const QByteArray *buildID) -> AbstractExternalMonitor * {
        return new ExternalMonitor(parent, packetRouter, buildID);
    };
    if (const QString fallback = qEnvironmentVariable("HALVORA_FALLBACK_BOARD_ADDRESS"); !fallback.isEmpty())
        settings.board.wifiLink.fallbackBoardAddress = fallback;
    return settings;
}

// Deepest first, so that each scope's focused item is cleared before its scope.
void dropFocus(QQuickItem *item)
{
    if (!item)
        return;
    for (QQuickItem *child : item->childItems())
        dropFocus(child);
    if (item->hasFocus())
        item->setFocus(false);
}

} // namespace

const QUrl &main_Application::mainWindowUrl()
{
    static const QUrl url(QStringLiteral("qrc:/Qml/Main.qml"));
    return url;
}

main_Application::main_Application(QObject *parent, QApplication *application)
    : QObject(parent)
    , m_engine(std::make_unique<QQmlApplicationEngine>(this))
{
    qDebug() << "Initializing application";
    m_application = application;
    m_engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
    createManagers();
    registerQmlTypes();
    setContextProperties();
    m_engine->setNetworkAccessManagerFactory(&networkAccessFactory());
}

main_Application::~main_Application()
{
    // Qt 6.4 crashes when a window is taken apart while one of its items holds the
    // focus, even the focus within a scope that is not active (a dialog's field): the
    // main window lets the active focus go, then every item drops its own.
    for (QObject *root : m_engine->rootObjects()) {
        if (root->metaObject()->indexOfMethod("releaseFocus()") >= 0)
            QMetaObject::invokeMethod(root, "releaseFocus");
        if (auto *window = qobject_cast<QQuickWindow *>(root))
            dropFocus(window->contentItem());
    }
    // Nothing in QML may read a manager while it is taken apart.
    m_engine.reset();
    // Newest first: whoever holds a board goes before the device factory that owns it.
    while (!m_managers.isEmpty())
        delete m_managers.takeLast().data();
}

QList<QObject *> main_Application::managers() const
{
    QList<QObject *> list;
    for (const QPointer<QObject> &manager : m_managers)
        list.append(manager.data());
    return list;
}

// The managers in the order they are made, each with its connections. A manager
// that is still to come is named at its place.
void main_Application::createManagers()
{
    const ApplicationVersionInfo &version = applicationVersionInfo();
    VersionControl::instance()->setApplicationVersion({version.major, version.minor, version.patch});

    m_ostFactory = create<OstFactory>(factorySettings());
    if (const QString board = qEnvironmentVariable("HALVORA_BOARD_ADDRESS"); !board.isEmpty())
        m_ostFactory->insertNetworkOstDevice(board);
    m_uriDistributor = create<UriDistributor>();
    m_logParser = create<LogParser>();
    m_appBinaryManager = create<AppBinaryManager>();
    m_fileDialogHandler = create<FileDialogHandler>();
    m_logDownloader = create<LogDownloader>();
    connect(m_ostFactory, &OstFactory::ostDeviceConnected, m_logDownloader, &LogDownloader::ostDeviceConnected);
    connect(m_ostFactory, &OstFactory::ActiveDeviceChanged, m_logDownloader, &LogDownloader::setSelectedDevice);
    m_hardwareUpdate = create<HardwareUpdate>();
    connect(m_ostFactory, &OstFactory::ostDeviceConnected, m_hardwareUpdate, &HardwareUpdate::ostDeviceConnected);
    connect(m_ostFactory, &OstFactory::ActiveDeviceChanged, m_hardwareUpdate, &HardwareUpdate::setSelectedDevice);
    // The toolchain links are taken on a later pass of the event loop.
    m_toolchainInstall = create<ToolchainHandlerGUI>();
    connect(m_uriDistributor, &UriDistributor::InstallToolchainUriReceived, m_toolchainInstall,
            &ToolchainHandlerGUI::installToolchainUriReceived, Qt::QueuedConnection);
    m_hardwareSettings = create<HardwareSettings>();
    connect(m_ostFactory, &OstFactory::ActiveDeviceChanged, m_hardwareSettings, &HardwareSettings::setOstDevice);

    // The remaining connections:
    connect(m_ostFactory, &OstFactory::ActiveDeviceChanged, m_appBinaryManager, &AppBinaryManager::setDevice);
    // The link carries the flags as a signed number; they are the same 32 bits.
    connect(m_uriDistributor, &UriDistributor::AppBinManagerUriReceived, m_appBinaryManager,
            [manager = m_appBinaryManager](const QString &file, const QString &appVersion, const QString &buildId,
                                           const QString &boardType, int flags) {
                manager->pushElfBinaryFromUri(file, appVersion, buildId, boardType, quint32(flags));
            });
    connect(m_fileDialogHandler, &FileDialogHandler::ApbFileReceived, m_appBinaryManager,
            &AppBinaryManager::uploadApbBinary);
    connect(m_fileDialogHandler, &FileDialogHandler::ElfFileReceived, m_appBinaryManager,
            &AppBinaryManager::pushElfBinaryFromFile);
    connect(m_fileDialogHandler, &FileDialogHandler::HapbfFileReceived, m_appBinaryManager,
            &AppBinaryManager::pushElfBinaryFromFile);
    connect(m_fileDialogHandler, &FileDialogHandler::FebFileReceived, m_ostFactory, &OstFactory::TempUploadFirmware);
    connect(m_fileDialogHandler, &FileDialogHandler::FwbFileReceived, m_ostFactory, &OstFactory::TempUploadFirmware);
}

// Once per process: a second application object (in tests) finds them in place.
void main_Application::registerQmlTypes()
{
    static std::once_flag registered;
    std::call_once(registered, [] {
        qRegisterMetaType<ErrorChannel::LogLevel>("ErrorChannel::LogLevel");
        qRegisterMetaType<ostdevice::ExtendedDeviceType>("ostdevice::ExtendedDeviceType");

        const char *uri = "com.ostrel";
        // LogCommandQueue, creatable
        qmlRegisterUncreatableType<Zelto>(uri, 1, 0, "Zelto", tr("This is an internal object"));
        qmlRegisterUncreatableType<OstDevice>(uri, 1, 0, "OstDevice", QString());
        qmlRegisterUncreatableType<ControlChannel>(uri, 1, 0, "ControlChannel", QString());
        qmlRegisterUncreatableType<DatalinkManager>(uri, 1, 0, "DatalinkManager", QString());
        qmlRegisterUncreatableType<AbstractDataLink>(uri, 1, 0, "AbstractDataLink", QString());
        qmlRegisterUncreatableType<ErrorHandler>(uri, 1, 0, "ErrorHandler", QString());
        qmlRegisterUncreatableType<AbstractNotification>(uri, 1, 0, "AbstractNotification", QString());
        qmlRegisterUncreatableType<DeviceUpdateEntry>(uri, 1, 0, "DeviceUpdateEntry", QString());
        qmlRegisterUncreatableMetaObject(SimulinkDataTypes::staticMetaObject, uri, 1, 0, "SimulinkDataTypes",
                                         QStringLiteral("Error: Namespace"));
        // Reached through properties only: the monitor, its charts and the variables.
        qmlRegisterAnonymousType<ExternalMonitor>(uri, 1);
        qmlRegisterAnonymousType<plotContainer>(uri, 1);
        qmlRegisterAnonymousType<SimulinkDataTypes::SimulinkVariable>(uri, 1);
        qmlRegisterAnonymousType<SimulinkDataTypes::SimulinkSignal>(uri, 1);
        qmlRegisterAnonymousType<SimulinkDataTypes::SimulinkParameter>(uri, 1);
        qmlRegisterAnonymousType<SimulinkVariableFilterProxyModel>(uri, 1);
        qmlRegisterUncreatableMetaObject(halvora::staticMetaObject, uri, 1, 0, "Halvora", QString());
    });
}

void main_Application::setContextProperties()
{
    QQmlContext *context = m_engine->rootContext();
    context->setContextProperty(QStringLiteral("ostFactory"), m_ostFactory);
    context->setContextProperty(QStringLiteral("logParser"), m_logParser);
    context->setContextProperty(QStringLiteral("binManager"), m_appBinaryManager);
    context->setContextProperty(QStringLiteral("toolchainInstall"), m_toolchainInstall);
    context->setContextProperty(QStringLiteral("HardwareSettings"), m_hardwareSettings->gui());
    context->setContextProperty(QStringLiteral("LogDownloader"), m_logDownloader);
    context->setContextProperty(QStringLiteral("HardwareUpdate"), m_hardwareUpdate);
    context->setContextProperty(QStringLiteral("Notifications"), ErrorHandler::instance());
    context->setContextProperty(QStringLiteral("versionControl"), VersionControl::instance());
    context->setContextProperty(QStringLiteral("RELEASE_MODE"), int(halvora::kRunningReleaseMode));
    context->setContextProperty(QStringLiteral("APPLICATION_VERSION"),
                                QString::fromUtf8(applicationVersionInfo().fileVersion));
}

void main_Application::uriReceived(const QUrl &url)
{
    qDebug() << "uri Succesfully passed to mainApplication";
    m_uriDistributor->urlReceived(url);
}

bool main_Application::load(const QUrl &url)
{
    const auto before = m_engine->rootObjects().size();
    m_engine->load(url);
    m_loaded = m_engine->rootObjects().size() > before;
    if (m_loaded)
        qDebug() << "Main window loaded" << url.toString();
    else
        qCritical() << "Could not load the main window" << url.toString() << "; the program ends";
    return m_loaded;
}
