// A small program that logs as Halvora Lab does, for the logging tests to watch
// from outside: its standard output, its standard error and its log file.
#include "LoggingHandler.h"

#include <QCoreApplication>
#include <QDebug>
#include <QThread>

#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Ostrel"));
    QCoreApplication::setApplicationName(QStringLiteral("Halvora Lab"));
    const QString mode = app.arguments().value(1);

    QThread loggingThread;
    LoggingHandler *logging = LoggingHandler::create(&loggingThread);
    std::printf("FILE:%s\n", qPrintable(logging->fileName()));
    std::fflush(stdout);
    loggingThread.start();
    LoggingHandler::install(logging);

    if (mode == QLatin1String("routing")) {
        qInfo() << "an info line";
        qWarning() << "a warning line";
        qDebug() << "a debug line";
        qCritical("a critical line\nwith a second line");
    } else if (mode == QLatin1String("threads")) {
        std::vector<QThread *> workers;
        for (int t = 0; t < 4; ++t) {
            workers.push_back(QThread::create([t] {
                for (int i = 0; i < 1000; ++i)
                    qDebug("thread %d message %d", t, i);
            }));
            workers.back()->start();
        }
        for (QThread *worker : workers) {
            worker->wait();
            delete worker;
        }
    } else if (mode == QLatin1String("fatal")) {
        qDebug() << "before the end";
        qFatal("the fatal line");
    }
    LoggingHandler::stop(&loggingThread);
    qDebug() << "logged after the logging thread stopped";
    return 0;
}
