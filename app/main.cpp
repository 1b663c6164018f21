#include "LoggingHandler.h"
#include "StartupSteps.h"
#include "UriHandler.h"
#include "main_Application.h"
#include "TerminationSignals.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDebug>
#include <QThread>

int main(int argc, char *argv[])
{
    qDebug() << "Initializing application";
    qputenv("QT_QPA_UPDATE_IDLE_TIME", "0");
    qputenv("QSG_USE_SIMPLE_ANIMATION_DRIVER", "1");

    QApplication application(argc, argv);

    halvora::startup::checkUriSchemeRegistration();
    UriHandler guard(QLatin1String(halvora::startup::kUriScheme));

    QCommandLineParser parser;
    const QCommandLineOption uriOption(QStringLiteral("uri"), QStringLiteral("URI to parse"), QStringLiteral("uri"));
    parser.addOption(uriOption);
    parser.process(application);

    if (parser.isSet(uriOption)) {
        if (const auto exitCode = halvora::startup::handOverUri(guard, parser.value(uriOption)))
            return *exitCode; // another instance runs and took (or refused) the URI
    }

    QApplication::setApplicationName(QStringLiteral("Halvora Lab"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    QApplication::setOrganizationName(QStringLiteral("Ostrel"));
    QApplication::setOrganizationDomain(QStringLiteral(HALVORA_ORGANIZATION_DOMAIN));

    QThread loggingThread;
    loggingThread.setObjectName(QStringLiteral("Logging"));
    LoggingHandler *logging = LoggingHandler::create(&loggingThread);
    loggingThread.start(QThread::InheritPriority);
    LoggingHandler::install(logging);

    int exitCode = 1;
    {
        main_Application app(nullptr, &application);
        halvora::startup::connectUriHandling(guard, app);

        TerminationSignals termination;
        QObject::connect(&termination, &TerminationSignals::terminationRequested, &application, [](int signalNumber) {
            qInfo() << "Received signal" << signalNumber << "- closing Halvora Lab";
            QApplication::quit();
        });

        if (app.load(main_Application::mainWindowUrl()))
            exitCode = QApplication::exec();
        qDebug() << "Shutting down with exit code" << exitCode;
    }
    // The application object is gone first, so the lines its managers log while they
    // are torn down still reach the log file.
    LoggingHandler::stop(&loggingThread);
    return exitCode;
}
