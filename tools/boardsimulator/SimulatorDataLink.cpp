#include "SimulatorDataLink.h"

#include "BoardLink.h"
#include "BoardSimulator.h"
#include "OstPacketRecombiner.h"

#include <utility>

SimulatorDataLink::SimulatorDataLink(LinkType linkType, BoardSimulator *board, QObject *parent)
    : AbstractDataLink(linkType, parent)
    , m_board(board)
    , m_streamRecombiner(new OstPacketRecombiner(this))
    , m_datagramRecombiner(new OstPacketRecombiner(this))
{
    for (OstPacketRecombiner *recombiner : {m_streamRecombiner, m_datagramRecombiner})
        connect(recombiner, &OstPacketRecombiner::packetReady, this, &AbstractDataLink::packetReceived,
                Qt::QueuedConnection);
    // A board that drops the link (it restarts) ends the transport, as unplugging does.
    if (board)
        connect(board, &BoardSimulator::linkDetached, this, [this](BoardLink *link) {
            if (link && link == m_boardLink) {
                m_boardLink = nullptr;
                setState(Invalid);
            }
        });
}

SimulatorDataLink::~SimulatorDataLink()
{
    if (m_board && m_boardLink)
        m_board->detachLink(std::exchange(m_boardLink, nullptr));
}

void SimulatorDataLink::startReading()
{
    open();
}

void SimulatorDataLink::initialise()
{
    open();
}

void SimulatorDataLink::open()
{
    if (!m_board)
        return;
    if (!m_boardLink) {
        m_boardLink = m_board->attachLink(linkType() == WiFi ? BoardLinkType::WiFi : BoardLinkType::USB);
        connect(m_boardLink, &BoardLink::sendToHost, this, &SimulatorDataLink::receive, Qt::QueuedConnection);
    }
    setState(Connected);
}

void SimulatorDataLink::invalidate()
{
    if (m_board && m_boardLink)
        m_board->detachLink(std::exchange(m_boardLink, nullptr));
    m_boardLink = nullptr;
    setState(Invalid);
}

void SimulatorDataLink::receive(const QByteArray &bytes, bool reliable)
{
    // USB has one path; Wi-Fi keeps its stream and its datagrams apart.
    OstPacketRecombiner *recombiner = reliable || linkType() != WiFi ? m_streamRecombiner : m_datagramRecombiner;
    if (recombiner->rawDataReady(bytes) == -1)
        ++m_corruptHeaders;
}

void SimulatorDataLink::sendPacket(DatalinkChannelId, bool isReliable, QByteArray packet)
{
    if (!m_boardLink)
        return;
    // Delivered from the event loop, as a real transport would.
    const bool stream = isReliable || linkType() != WiFi;
    QMetaObject::invokeMethod(
        m_boardLink,
        [link = m_boardLink, packet, stream] {
            if (!link)
                return;
            if (stream)
                link->receiveStream(packet);
            else
                link->receiveDatagram(packet);
        },
        Qt::QueuedConnection);
}

void SimulatorDataLink::activeLinkTypeChanged(AbstractDataLink::LinkType linkType)
{
    m_activeLinkTypesSeen.append(linkType);
    if (this->linkType() == WiFi && linkType == WiFi)
        emit requestAesKeys();
}

void SimulatorDataLink::setAesKeys(QByteArray key, QByteArray iv)
{
    m_aesKey = key;
    m_aesIv = iv;
}
