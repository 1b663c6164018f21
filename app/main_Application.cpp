#include "main_Application.h"

#include "ApplicationVersionInfo.h"
#include "Halvora.h"
#include "LogParser.h"
#include "OstFactory.h"
#include "QMLNetworkAccesManagerFactory.h"

#include <QApplication>
#include <QDebug>
#include <QQmlContext>

namespace {
// Owned by the engine's lifetime: the engine keeps only a pointer to its factory.
QMLNetworkAccesManagerFactory &networkAccessFactory()
{
    static QMLNetworkAccesManagerFactory factory;
    return factory;
}
} // namespace

const QUrl &main_Application::mainWindowUrl()
{
    static const QUrl url(QStringLiteral("qrc:/Qml/Main.qml"));
    return url;
}

main_Application::main_Application(QObject *parent, QApplication *application)
    : QObject(parent)
    , m_engine(this)
{
    qDebug() << "Initializing application";
    m_application = application;
    m_engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    createManagers();
    registerQmlTypes();
    setContextProperties();
    m_engine.setNetworkAccessManagerFactory(&networkAccessFactory());
}

main_Application::~main_Application() = default;

// The managers and their connections are made here once their subsystems exist.
void main_Application::createManagers()
{
    // For development without hardware: HALVORA_BOARD_ADDRESS names a board to
    // connect to at start (such as the board simulator), and
    // HALVORA_FALLBACK_BOARD_ADDRESS the address a lost Wi-Fi board that reported
    // none is looked for at.
    OstFactorySettings settings;
    if (const QString fallback = qEnvironmentVariable("HALVORA_FALLBACK_BOARD_ADDRESS"); !fallback.isEmpty())
        settings.board.wifiLink.fallbackBoardAddress = fallback;
    m_ostFactory = new OstFactory(this, settings);
    if (const QString board = qEnvironmentVariable("HALVORA_BOARD_ADDRESS"); !board.isEmpty())
        m_ostFactory->insertNetworkOstDevice(board);

    m_logParser = new LogParser(this);
}

void main_Application::registerQmlTypes() {}

void main_Application::setContextProperties()
{
    QQmlContext *context = m_engine.rootContext();
    context->setContextProperty(QStringLiteral("ostFactory"), m_ostFactory);
    context->setContextProperty(QStringLiteral("RELEASE_MODE"), int(halvora::kRunningReleaseMode));
    context->setContextProperty(QStringLiteral("APPLICATION_VERSION"),
                                QString::fromUtf8(applicationVersionInfo().fileVersion));
    context->setContextProperty(QStringLiteral("logParser"), m_logParser);
}

bool main_Application::load(const QUrl &url)
{
    const auto before = m_engine.rootObjects().size();
    m_engine.load(url);
    m_loaded = m_engine.rootObjects().size() > before;
    if (m_loaded)
        qDebug() << "Main window loaded" << url.toString();
    else
        qCritical() << "Could not load the main window" << url.toString() << "; the program ends";
    return m_loaded;
}
