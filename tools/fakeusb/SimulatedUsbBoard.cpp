#include "SimulatedUsbBoard.h"

#include "BoardLink.h"
#include "BoardSimulator.h"
#include "FakeUsbBackend.h"

SimulatedUsbBoard::SimulatedUsbBoard(FakeUsbBackend &bus, BoardSimulator *board,
                                     const FakeUsbDeviceDescription &description, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
    , m_board(board)
    , m_description(description)
{
}

SimulatedUsbBoard::~SimulatedUsbBoard()
{
    unplug();
}

void SimulatedUsbBoard::plug()
{
    if (m_device || !m_board)
        return;
    m_device = m_bus.plug(m_description);
    m_link = m_board->attachLink(BoardLinkType::USB);
    FakeUsbDevice *device = m_device;
    connect(m_link, &BoardLink::sendToHost, this, [device](const QByteArray &bytes) { device->sendToHost(bytes); });
    // The bus calls this on the thread that submitted the chunk; the board takes it
    // on its own thread, in order.
    m_device->setHostWriteHandler([this, link = m_link](const QByteArray &bytes) {
        QMetaObject::invokeMethod(
            this,
            [link, bytes] {
                if (link)
                    link->receiveStream(bytes);
            },
            Qt::QueuedConnection);
    });
}

void SimulatedUsbBoard::unplug()
{
    if (!m_device)
        return;
    // Waits for a handler call in progress, so that none reaches this object later.
    m_device->setHostWriteHandler({});
    m_bus.unplug(std::exchange(m_device, nullptr));
    if (m_board && m_link)
        m_board->detachLink(m_link);
    m_link = nullptr;
}
