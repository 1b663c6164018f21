#pragma once

#include "BoardChannel.h"
#include "MonitoringModel.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>

#include <cstdint>

class BoardMonitoringData;

// One control message the host sent on the monitoring control channel.
struct HostMonitoringRequest
{
    int16_t command = 0;
    QByteArray payload;
};

// The board's monitoring control channel (channel 2): it describes the model it runs
// (string tables, lists, parameter memory), writes parameter elements, and starts and
// stops the streams of its data channel. It answers only while the monitoring service
// is open and the application runs. A message is a 5-byte header (i16 command, u16
// length of the whole message, i8 status) and a payload; a reply starts in a packet of
// its own and is split into packets of at most 1018 bytes.
//
// A parameter write is acknowledged, then announced with an update-parameters message
// that names the element. A refused request is answered with the status −22 and no
// payload.
class BoardMonitoringControl : public BoardChannel
{
    Q_OBJECT

public:
    static constexpr uint16_t Number = 2;
    static constexpr qsizetype MaxPayload = 1018;
    static constexpr int8_t InvalidArgument = -22;
    static constexpr int8_t AcceptedStatus = -7; // 0xF9

    // What the board does to its replies, to test how the host copes.
    struct Faults
    {
        QHash<int16_t, int8_t> status; // answer the command with this status and no payload
        QSet<int16_t> silent;          // no answer to the command
        bool acknowledgeLater = false; // a set-signal reply lists nothing; a references-handled
                                       // message with the stream follows
        bool acceptedStatus = false;   // acknowledgements carry the status 0xF9
    };

    BoardMonitoringControl(BoardSimulator *board, BoardMonitoringData *data);

    const MonitoringModel &model() const { return m_model; }
    // Replaces the model; running streams end.
    void setModel(const MonitoringModel &model);
    Faults &faults() { return m_faults; }
    const QList<HostMonitoringRequest> &requests() const { return m_requests; }
    int rejectedMessages() const { return m_rejected; }

    void handleMessage(BoardLink *link, const QByteArray &payload, bool reliable) override;
    void linkDetached(BoardLink *link) override;

    // A message by the channel's rules, for replies and for tests.
    static QByteArray message(int16_t command, int8_t status, const QByteArray &payload = QByteArray());

signals:
    void requestReceived(int16_t command, QByteArray payload);

private:
    struct Reply
    {
        int8_t status = 0;
        QByteArray payload;
    };

    void handleRequest(BoardLink *link, const QByteArray &request);
    Reply answer(BoardLink *link, int16_t command, const QByteArray &payload);
    Reply setParameter(BoardLink *link, const QByteArray &payload);
    Reply setSignal(BoardLink *link, const QByteArray &payload);
    void sendMessage(BoardLink *link, int16_t command, int8_t status, const QByteArray &payload);

    QByteArray strings(uint8_t table) const;
    QByteArray signalList(const QList<MonitoringModel::Variable> &variables, int pathTable, int nameTable) const;
    QByteArray parameterList(const QList<MonitoringModel::Variable> &parameters, bool model) const;
    QByteArray stateList() const;
    QByteArray dataTypeList() const;
    QByteArray busElementList() const;
    QByteArray fixedPointList() const;
    QByteArray activeSignalList() const;
    static QByteArray memoryImage(const QList<MonitoringModel::Variable> &parameters);

    BoardMonitoringData *m_data;
    MonitoringModel m_model;
    MonitoringModel::StringTables m_strings;
    Faults m_faults;
    QHash<BoardLink *, QByteArray> m_pending;
    QList<HostMonitoringRequest> m_requests;
    int m_rejected = 0;
};
