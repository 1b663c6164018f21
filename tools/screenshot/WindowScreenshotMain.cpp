#include "ErrorHandler.h"
#include "Halvora.h"
#include "NotificationMessage.h"
#include "NotificationMsgProgressButton.h"
#include "OstFactory.h"
#include "main_Application.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QQuickWindow>
#include <QTextStream>
#include <QTimer>

// halvora-window-screenshot [--board] [--notifications] [--screen <url>] [--settle <ms>] <picture.png>
//
// Starts the program's main window as the program does (the composition root with
// every manager) and saves what it shows. With --board it first waits until the board
// named by HALVORA_BOARD_ADDRESS is connected over Wi-Fi; with --notifications it posts
// notifications of every level, one of them modal, so that the popup opens; with
// --screen it shows that screen (such as "qrc:/Qml/Settings/GlobalSettings.qml")
// instead of the home screen.
namespace {

QTextStream &errorStream()
{
    static QTextStream stream(stderr);
    return stream;
}

void spin(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

template<typename Condition>
bool waitFor(Condition condition, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!condition() && !deadline.hasExpired())
        spin(100);
    return condition();
}

bool boardConnectedOverWifi(const OstFactory *factory)
{
    const auto *device = factory->property("selectedDevice").value<QObject *>();
    const auto *links = device ? device->property("datalinkManager").value<QObject *>() : nullptr;
    // AbstractDataLink::Connected
    return links && links->property("wifiLinkState").toInt() == 2
           && !device->property("serialNumber").toString().isEmpty();
}

void postNotifications()
{
    ErrorHandler *handler = ErrorHandler::instance();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    handler->addMessage(halvora::ErrorLevel::Info, AbstractNotification::HalvoraLab,
                        QStringLiteral("Firmware available"),
                        QStringLiteral("A new firmware version is available for the connected board."),
                        QStringLiteral("Device updater"), now.addSecs(-300));
    handler->addMessage(halvora::ErrorLevel::Warning, AbstractNotification::HalvoraLab,
                        QStringLiteral("Download refused"),
                        QStringLiteral("Can't download log file while a model is running on the device. Please stop "
                                       "the model before retrying."),
                        QStringLiteral("Log downloader"), now.addSecs(-240));
    handler->addMessage(halvora::ErrorLevel::Error, AbstractNotification::Device, QStringLiteral("Board error"),
                        QStringLiteral("The board reported an error on its error channel."), QStringLiteral("ZT000042"),
                        now.addSecs(-180));
    handler->addMessage(halvora::ErrorLevel::CriticalError, AbstractNotification::HalvoraLab,
                        QStringLiteral("Update failed"),
                        QStringLiteral("The firmware file did not pass its digest check and was deleted."),
                        QStringLiteral("Device updater"), now.addSecs(-120));
    auto *upload = new NotificationMsgProgressButton(
        nullptr, halvora::ErrorLevel::Info, AbstractNotification::HalvoraLab, QStringLiteral("Upload application"),
        QStringLiteral("Upload the imported application to the board?"), QStringLiteral("Upload"),
        QStringLiteral("Binary list"), now.addSecs(-60));
    upload->enableButton(true);
    upload->enableProgress(true);
    upload->updateProgress(0.35f);
    handler->addNotification(upload);
    auto *modal = new NotificationMessage(nullptr, halvora::ErrorLevel::Warning, AbstractNotification::HalvoraLab,
                                          QStringLiteral("Toolchain installation"),
                                          QStringLiteral("MATLAB must be closed before the toolchain is installed."),
                                          QStringLiteral("Toolchain installer"), now);
    modal->setModal(true);
    handler->addNotification(modal);
}

} // namespace

int main(int argc, char *argv[])
{
    // As the program starts.
    qputenv("QT_QPA_UPDATE_IDLE_TIME", "0");
    qputenv("QSG_USE_SIMPLE_ANIMATION_DRIVER", "1");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Halvora Lab"));
    QApplication::setOrganizationName(QStringLiteral("Ostrel"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Saves a picture of the main window."));
    parser.addHelpOption();
    const QCommandLineOption boardOption(QStringLiteral("board"),
                                         QStringLiteral("Wait until the board is connected over Wi-Fi."));
    const QCommandLineOption notificationsOption(QStringLiteral("notifications"),
                                                 QStringLiteral("Post notifications of every level."));
    const QCommandLineOption settleOption(QStringLiteral("settle"),
                                          QStringLiteral("Milliseconds the window is given to settle (1500)."),
                                          QStringLiteral("ms"), QStringLiteral("1500"));
    const QCommandLineOption screenOption(QStringLiteral("screen"), QStringLiteral("The screen to show."),
                                          QStringLiteral("url"));
    parser.addOptions({boardOption, notificationsOption, screenOption, settleOption});
    parser.addPositionalArgument(QStringLiteral("picture"), QStringLiteral("The PNG file to write."));
    parser.process(application);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);
    const QString output = parser.positionalArguments().constFirst();

    main_Application program(nullptr, &application);
    if (!program.load(main_Application::mainWindowUrl()))
        return 1;
    auto *window = qobject_cast<QQuickWindow *>(program.engine().rootObjects().constFirst());
    if (!window) {
        errorStream() << "The main window is not a window\n";
        return 1;
    }

    // A build with sanitizers under a software renderer draws slowly: the window
    // gets its time.
    if (!waitFor([window] { return window->property("applicationMenu").value<QObject *>() != nullptr; }, 60000)) {
        errorStream() << "The menu bar did not appear\n";
        return 1;
    }
    if (parser.isSet(boardOption)) {
        if (!waitFor([&program] { return boardConnectedOverWifi(program.ostFactory()); }, 30000)) {
            errorStream() << "The board did not connect over Wi-Fi within 30 s\n";
            return 1;
        }
    }
    if (parser.isSet(screenOption)) {
        QObject *viewStack = window->findChild<QObject *>(QStringLiteral("viewStack"));
        if (!viewStack || !viewStack->setProperty("source", parser.value(screenOption))) {
            errorStream() << "Could not show the screen " << parser.value(screenOption) << "\n";
            return 1;
        }
    }
    if (parser.isSet(notificationsOption))
        postNotifications();

    if (parser.isSet(notificationsOption)) {
        // The modal notification opens the popup.
        const auto popupOpened = [window] {
            const auto *menu = window->property("applicationMenu").value<QObject *>();
            const auto *frame = menu ? menu->property("notificationFrame").value<QObject *>() : nullptr;
            return frame && frame->property("opened").toBool();
        };
        if (!waitFor(popupOpened, 60000)) {
            errorStream() << "The notification popup did not open\n";
            return 1;
        }
    }
    spin(parser.value(settleOption).toInt());
    const QImage picture = window->grabWindow();
    QDir().mkpath(QFileInfo(output).absolutePath());
    if (picture.isNull() || !picture.save(output, "PNG")) {
        errorStream() << "Could not write " << output << "\n";
        return 1;
    }
    return 0;
}
