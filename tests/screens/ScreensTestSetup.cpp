// The runner of the screens' QML tests: an engine that sees what the program's
// screens see, with stand-ins for the managers the tests drive themselves and a real
// notification list.
#include "AbstractNotification.h"
#include "ErrorHandler.h"
#include "Halvora.h"
#include "NotificationMessage.h"
#include "NotificationMsgProgress.h"
#include "NotificationMsgProgressButton.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>
#include "HalvoraTestPaths.h"

// Posts notifications of every kind to the list the screens show, as the program's
// managers do.
class NotificationPoster : public QObject
{
    Q_OBJECT

public:
    explicit NotificationPoster(ErrorHandler *handler)
        : QObject(handler)
        , m_handler(handler)
    {
    }

    // A text notification; its key in the list.
    Q_INVOKABLE int post(int level, int source, const QString &title, const QString &message, const QString &origin,
                         const QDateTime &time, bool modal)
    {
        auto *notification = new NotificationMessage(nullptr, halvora::ErrorLevel(level),
                                                     AbstractNotification::ErrorSource(source), title, message, origin,
                                                     time);
        notification->setModal(modal);
        return m_handler->addNotification(notification);
    }

    // A notification with a progress bar.
    Q_INVOKABLE QObject *postProgress(const QString &title, bool progressEnabled, double progress)
    {
        auto *notification = new NotificationMsgProgress(nullptr, halvora::ErrorLevel::Info,
                                                         AbstractNotification::HalvoraLab, title, QStringLiteral("m"),
                                                         QStringLiteral("Device updater"),
                                                         QDateTime::currentDateTimeUtc());
        notification->enableProgress(progressEnabled);
        notification->updateProgress(float(progress));
        return m_handler->addNotification(notification) < 0 ? nullptr : notification;
    }

    // A notification with a button and a progress bar; its presses are counted.
    Q_INVOKABLE QObject *postButton(const QString &title, const QString &buttonName, bool buttonEnabled)
    {
        auto *notification = new NotificationMsgProgressButton(
            nullptr, halvora::ErrorLevel::Info, AbstractNotification::HalvoraLab, title, QStringLiteral("m"),
            buttonName, QStringLiteral("Binary list"), QDateTime::currentDateTimeUtc());
        notification->enableButton(buttonEnabled);
        connect(notification, &NotificationMsgProgressButton::FireButton, this, [this] { ++m_buttonPresses; });
        return m_handler->addNotification(notification) < 0 ? nullptr : notification;
    }

    Q_INVOKABLE int buttonPresses() const { return m_buttonPresses; }
    Q_INVOKABLE void setButtonEnabled(QObject *notification, bool enabled)
    {
        if (auto *button = qobject_cast<NotificationMsgProgressButton *>(notification))
            button->enableButton(enabled);
    }
    Q_INVOKABLE void setProgressEnabled(QObject *notification, bool enabled)
    {
        if (auto *progress = qobject_cast<NotificationMsgProgress *>(notification))
            progress->enableProgress(enabled);
    }
    Q_INVOKABLE QString clipboardText() const { return QGuiApplication::clipboard()->text(); }

private:
    ErrorHandler *m_handler;
    int m_buttonPresses = 0;
};

namespace {

// A stand-in object made from QML, so that a test can set its properties.
QObject *makeStub(QQmlEngine *engine, const char *qml)
{
    QQmlComponent component(engine);
    component.setData(qml, QUrl(QStringLiteral("qrc:/stub.qml")));
    QObject *stub = component.create();
    if (!stub)
        qFatal("stub: %s", qPrintable(component.errorString()));
    stub->setParent(engine);
    return stub;
}

} // namespace

class ScreensTestSetup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        engine->addImportPath(QStringLiteral(HALVORA_QML_IMPORT_DIR));

        static bool registered = false;
        if (!registered) {
            registered = true;
            qmlRegisterUncreatableType<ErrorHandler>("com.ostrel", 1, 0, "ErrorHandler", QString());
            qmlRegisterUncreatableType<AbstractNotification>("com.ostrel", 1, 0, "AbstractNotification", QString());
            qmlRegisterUncreatableMetaObject(halvora::staticMetaObject, "com.ostrel", 1, 0, "Halvora", QString());
        }

        auto *handler = new ErrorHandler(engine);
        QQmlContext *context = engine->rootContext();
        context->setContextProperty(QStringLiteral("Notifications"), handler);
        context->setContextProperty(QStringLiteral("notificationPoster"), new NotificationPoster(handler));
        context->setContextProperty(QStringLiteral("ostFactory"), makeStub(engine, R"(
            import QtQml
            QtObject {
                property var selectedDevice: null
                property bool connectionAttempt: false
                property string connectionAttemptAddress: ""
                property int cancelled: 0
                function cancelConnectionAttempt() { cancelled++; connectionAttempt = false }
            })"));
        context->setContextProperty(QStringLiteral("LogDownloader"), makeStub(engine, R"(
            import QtQml
            QtObject { property var selectedDevice: null })"));
        context->setContextProperty(QStringLiteral("HardwareUpdate"), makeStub(engine, R"(
            import QtQml
            QtObject { property var selectedDevice: null; property int availableUpdates: 0 })"));
        context->setContextProperty(QStringLiteral("versionControl"), makeStub(engine, R"(
            import QtQml
            QtObject { property bool halvoraUpdateAvailable: false })"));
        context->setContextProperty(QStringLiteral("RELEASE_MODE"), 3);
        context->setContextProperty(QStringLiteral("APPLICATION_VERSION"), QStringLiteral("1.0.0.0"));
    }
};

// The main window's tray icon needs the widgets application, as in the program.
int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QTEST_SET_MAIN_SOURCE_PATH
    ScreensTestSetup setup;
    return quick_test_main_with_setup(argc, argv, "halvora_screens", QUICK_TEST_SOURCE_DIR, &setup);
}

#include "ScreensTestSetup.moc"
