#pragma once

#include "BoardMonitoringControl.h"
#include "BoardRig.h"
#include "ControlChannel.h"
#include "Interface.h"
#include "SignalSink.h"
#include "SimulinkVariable.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

// The samples a subscription receives.
struct Samples final : SimulinkDataTypes::SignalSink
{
    explicit Samples(uint16_t elementOffset)
        : offset(elementOffset)
    {
    }
    uint16_t elementOffset() const override { return offset; }
    void addSample(uint64_t timestamp, double value) override { received << std::pair{timestamp, value}; }

    uint16_t offset;
    QList<std::pair<uint64_t, double>> received;
};

// The simulated board in this process, its application running and its monitoring
// service open, with an interface on its datalink manager unless told otherwise.
struct MonitoredBoard
{
    BoardRig rig;
    ControlChannel control{nullptr, 1, true, &rig.manager};
    std::unique_ptr<monitoring::Interface> interface;

    bool open(bool withInterface = true)
    {
        if (!rig.connect())
            return false;
        QSignalSpy opened(&control, &ControlChannel::OpenCloseMonitoringServiceReceived);
        control.startStopApp(true);
        control.openCloseMonitoringService(true);
        if (opened.isEmpty() && !opened.wait(5000))
            return false;
        if (withInterface)
            interface = std::make_unique<monitoring::Interface>(nullptr, &rig.manager);
        return true;
    }

    BoardMonitoringControl *board() const { return rig.channel<BoardMonitoringControl>(); }

    bool startInterface()
    {
        interface->start();
        return QTest::qWaitFor([this] { return interface->isInitialized(); }, 10000);
    }

    template<typename T>
    T *variable(const QString &path) const
    {
        for (SimulinkDataTypes::SimulinkVariable *v : interface->simulinkVariables()) {
            if (v->path() == path)
                return qobject_cast<T *>(v);
        }
        return nullptr;
    }
};
