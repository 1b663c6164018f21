#pragma once

#include "BoardControlChannel.h"
#include "BoardErrorChannel.h"
#include "BoardSimulator.h"
#include "DatalinkManager.h"
#include "SimulatorDataLink.h"

#include <QSignalSpy>

// A datalink manager whose USB datalink leads to a board simulator in the same
// process, identified and made the active link, with short timers on both sides.
struct BoardRig
{
    static BoardSettings boardSettings()
    {
        BoardSettings settings;
        settings.heartbeatInterval = std::chrono::milliseconds(20);
        return settings;
    }

    static LinkTimings hostTimings()
    {
        LinkTimings timings;
        timings.heartbeatInterval = std::chrono::milliseconds(20);
        timings.heartbeatWatchdog = std::chrono::milliseconds(2000);
        timings.deviceInfoLimit = std::chrono::milliseconds(2000);
        return timings;
    }

    BoardSimulator board{boardSettings()};
    DatalinkManager manager{nullptr, hostTimings()};
    SimulatorDataLink *link = nullptr;

    BoardControlChannel *boardControl() const { return qobject_cast<BoardControlChannel *>(board.channel(1)); }
    BoardErrorChannel *boardErrors() const { return qobject_cast<BoardErrorChannel *>(board.channel(6)); }
    // The board's handler of a channel, by its class.
    template<typename Channel>
    Channel *channel() const
    {
        return qobject_cast<Channel *>(board.channel(Channel::Number));
    }

    // True once the board is identified and its USB link is the active one.
    bool connect()
    {
        QSignalSpy info(&manager, &DatalinkManager::deviceInfoReceived);
        link = new SimulatorDataLink(AbstractDataLink::USB, &board);
        manager.addDatalink(link);
        if (!info.wait(2000))
            return false;
        QSignalSpy active(&manager, &DatalinkManager::activeLinkTypeChanged);
        manager.setActiveDatalinkConnection(AbstractDataLink::USB);
        return active.wait(2000) && manager.activeLinkType() == AbstractDataLink::USB;
    }
};
