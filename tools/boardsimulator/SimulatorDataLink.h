#pragma once

#include "AbstractDataLink.h"
#include "BoardLink.h"
#include "BoardSimulator.h"

#include <QByteArray>
#include <QList>
#include <QPointer>

class OstPacketRecombiner;

// A datalink whose far end is a board simulator in the same process. It behaves
// towards its datalink manager as the real transports do: a USB link connects when
// reading starts, a Wi-Fi link when it is initialised; received bytes pass through
// the program's own recombiners; a Wi-Fi link asks for the datagram keys when it
// becomes the active link and takes them through setAesKeys.
class SimulatorDataLink : public AbstractDataLink
{
    Q_OBJECT
    Q_PROPERTY(bool selfTimeoutEnabled READ selfTimeoutEnabled WRITE setSelfTimeoutEnabled)

public:
    SimulatorDataLink(LinkType linkType, BoardSimulator *board, QObject *parent = nullptr);
    ~SimulatorDataLink() override;

    BoardLink *boardLink() const { return m_boardLink; }
    bool selfTimeoutEnabled() const { return m_selfTimeoutEnabled; }
    void setSelfTimeoutEnabled(bool enabled) { m_selfTimeoutEnabled = enabled; }
    const QByteArray &aesKey() const { return m_aesKey; }
    const QByteArray &aesIv() const { return m_aesIv; }
    // Every link type the manager reported as active, in order.
    const QList<LinkType> &activeLinkTypesSeen() const { return m_activeLinkTypesSeen; }
    // The results of the recombiners, -1 for every corrupt header seen.
    int corruptHeaders() const { return m_corruptHeaders; }

public slots:
    void startReading();
    void initialise();
    // The transport failed: the link becomes Invalid and leaves the board.
    void invalidate();
    void sendPacket(DatalinkChannelId channel, bool isReliable, QByteArray packet) override;
    void activeLinkTypeChanged(AbstractDataLink::LinkType linkType) override;
    void setAesKeys(QByteArray key, QByteArray iv);

signals:
    void requestAesKeys();

private:
    void open();
    void receive(const QByteArray &bytes, bool reliable);

    QPointer<BoardSimulator> m_board;
    QPointer<BoardLink> m_boardLink;
    OstPacketRecombiner *m_streamRecombiner;
    OstPacketRecombiner *m_datagramRecombiner;
    bool m_selfTimeoutEnabled = true;
    QByteArray m_aesKey;
    QByteArray m_aesIv;
    QList<LinkType> m_activeLinkTypesSeen;
    int m_corruptHeaders = 0;
};
