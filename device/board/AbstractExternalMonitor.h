#pragma once

#include <QByteArray>
#include <QObject>

#include <functional>

class DatalinkManager;

// What a board object needs of the monitoring front end of its application (the
// external monitor): the board makes one when it opens its monitoring service, starts
// it each time the service opens, resets it when the application stops or the board
// disconnects, and hands it every new build ID. The monitoring subsystem derives its
// monitor from this and gives the device factory an ExternalMonitorMaker.
class AbstractExternalMonitor : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

public slots:
    // Starts the monitoring interface of the board; called again on every opening.
    virtual void start() = 0;
    // Resets the monitoring interface and drops what it shows.
    virtual void reset() = 0;
    virtual void setCurrentBuildID(QByteArray buildID) = 0;
};

// Makes the monitor of one board. parent: the board object; packetRouter: the
// board's datalink manager, through which the monitor's two channels (2 and 3) send
// and receive; buildID: the board's current build ID, which outlives the monitor.
using ExternalMonitorMaker =
    std::function<AbstractExternalMonitor *(QObject *parent, DatalinkManager *packetRouter, const QByteArray *buildID)>;
