#pragma once

#include "BoardChannel.h"
#include "BoardLink.h"
#include "MonitoringModel.h"

#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QTimer>

#include <cstdint>

// The board's monitoring data channel (channel 3, unreliable): it streams the
// elements the host asked for while the monitoring service is open and the
// application runs. The model advances one step every stepNanoseconds of the board's
// clock; a stream sends the element's value at every step that is a multiple of its
// decimation, stamped with the step's time (step × stepNanoseconds), so the
// timestamps of a stream rise strictly and each value follows from its timestamp.
//
// A data message holds the samples of consecutive steps, in step order and, within a
// step, in the order the streams were started; it fits into one packet. A record
// carries the data offset when the variable is not a scalar or is a bus (the rule the
// host applies to its side of the stream).
class BoardMonitoringData : public BoardChannel
{
    Q_OBJECT

public:
    static constexpr uint16_t Number = 3;
    static constexpr qsizetype MaxPayload = 1018;
    static constexpr qsizetype HeaderSize = 12;
    static constexpr std::chrono::milliseconds TickInterval{10};
    // Steps that a late tick still sends; older ones are lost, as on a board whose
    // buffer overflowed.
    static constexpr int64_t MaxCatchUpSteps = 1000;

    struct Stream
    {
        QPointer<BoardLink> link;
        uint16_t referenceId = 0;
        uint16_t modelReference = 0;
        int32_t rate = 0;
        uint16_t elementSize = 0;
        uint16_t dataOffset = 0;
        uint8_t variableKind = 0;
        int64_t decimation = 1; // the stream sends every decimation-th step
        bool withOffset = false;
    };

    explicit BoardMonitoringData(BoardSimulator *board);

    // The model whose values are streamed; it must outlive its use here. Streams end.
    void setModel(const MonitoringModel *model);
    // Starts a stream of the element at dataOffset, or changes the rate of one that
    // runs. The caller has checked the request against the model.
    void startStream(BoardLink *link, uint16_t referenceId, uint16_t modelReference, int32_t rate, uint16_t elementSize,
                     uint16_t dataOffset, uint8_t variableKind);
    void stopStream(uint16_t referenceId, uint16_t dataOffset);
    void stopAll();
    const QList<Stream> &streams() const { return m_streams; }

    // True while the monitoring service is open and the application runs.
    bool serving() const;
    // Sends the samples of every step up to the time nowNanoseconds of the board's clock.
    void produce(int64_t nowNanoseconds);
    // Without ticking, only produce sends samples (for tests that set the clock).
    // With it, the board's clock drives produce while streams run.
    void setTicking(bool ticking);
    int64_t lastStep() const { return m_lastStep; }

    void handleMessage(BoardLink *link, const QByteArray &payload, bool reliable) override;
    void linkDetached(BoardLink *link) override;

private:
    void sendMessage(BoardLink *link, const QByteArray &records, int64_t baseTime);

    const MonitoringModel *m_model = nullptr;
    QList<Stream> m_streams;
    QTimer m_ticker;
    QElapsedTimer m_clock;
    bool m_ticking = true;
    int64_t m_lastStep = 0;
};
