#pragma once

#include "BoardLink.h"
#include "BoardSimulator.h"
#include "FakeUsbDescription.h"

#include <QObject>
#include <QPointer>

class FakeUsbBackend;
class FakeUsbDevice;

// A board simulator plugged into the fake USB bus: the chunks the host writes to
// the bulk OUT endpoint go into a USB link of the board, and what the board sends
// on that link comes back as bulk IN completions. The board and this object live
// on the same thread; the bus may call in from any thread.
class SimulatedUsbBoard : public QObject
{
    Q_OBJECT

public:
    SimulatedUsbBoard(FakeUsbBackend &bus, BoardSimulator *board,
                      const FakeUsbDeviceDescription &description = FakeUsbDeviceDescription::board(),
                      QObject *parent = nullptr);
    // Unplugs the board.
    ~SimulatedUsbBoard() override;

    // Each plug is a new device on the bus, as after a real replug.
    void plug();
    void unplug();
    bool isPlugged() const { return m_device != nullptr; }

    FakeUsbDevice *device() const { return m_device; }
    BoardLink *boardLink() const { return m_link; }
    BoardSimulator *board() const { return m_board; }

private:
    FakeUsbBackend &m_bus;
    QPointer<BoardSimulator> m_board;
    const FakeUsbDeviceDescription m_description;
    FakeUsbDevice *m_device = nullptr;
    QPointer<BoardLink> m_link;
};
