#pragma once

#include "SignalSink.h"

#include <QList>
#include <QObject>
#include <QPointF>

#include <cstdint>
#include <vector>

// The live store of one plotted signal element. Every x range the chart offers has a
// window of decimated chart points in which each time bucket keeps only its lowest
// and highest sample, so a window holds about two points per bucket whatever the
// sample rate, plus the window's extremes for the automatic y range. The raw samples
// are kept for value look-ups in a ring that holds the longest x range at the
// signal's rate, so memory stays flat however long the signal is shown.
class ActiveScalar : public QObject, public SimulinkDataTypes::SignalSink
{
    Q_OBJECT
    Q_PROPERTY(bool enabled READ enabled WRITE setEnabled NOTIFY enabledChanged)
    Q_PROPERTY(uint16_t ODR READ odr CONSTANT)

public:
    struct RawBufferData
    {
        uint64_t time = 0; // nanoseconds
        double value = 0;
    };

    // The most raw samples a signal keeps, whatever its rate and x ranges.
    static constexpr size_t MaximumRawCapacity = size_t(1) << 22;

    ActiveScalar(QObject *parent, uint16_t elementOffset, uint16_t odr, int numberOfBuckets,
                 const QList<double> &xRanges);

    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    uint16_t odr() const { return m_odr; }

    uint16_t elementOffset() const override { return m_elementOffset; }
    void addSample(uint64_t timestamp, double value) override { addData({timestamp, value}); }

    int windowCount() const { return int(m_windows.size()); }
    double bucketWidth(int window) const { return m_windows[size_t(window)].bucketWidth; }
    const QList<QPointF> &points(int window) const { return m_windows[size_t(window)].points; }
    double windowMinimum(int window) const;
    double windowMaximum(int window) const;

    // The time of the newest accepted sample in seconds, 0 before any.
    double lastTime() const { return double(m_lastTimeNs) / 1e9; }
    // The value of the oldest kept sample not before time (seconds), 0 when there is none.
    double valueAtTime(double time) const;
    // The value of the newest sample, 0 before any.
    double newestValue() const;
    // How many raw samples are kept, and the most that are.
    qsizetype rawSampleCount() const { return qsizetype(m_rawCount); }
    size_t rawCapacity() const { return m_rawCapacity; }

signals:
    void enabledChanged();
    void minMaxChanged();

public slots:
    void updatePointBuffers(ActiveScalar::RawBufferData incoming_point);
    void addData(ActiveScalar::RawBufferData data);
    void swapMinMax(int window_size_index);
    void swapMinMax() { swapMinMax(0); }
    // The buffers own no timer: the chart's frame update decides when it reads them.
    void updateTimerInterval(int msec) { Q_UNUSED(msec) }

private:
    struct Window
    {
        double xRange = 0;
        double bucketWidth = 0;
        double bucketStart = 0;
        double currentMin;
        double currentMax;
        double previousMin;
        double previousMax;
        QList<QPointF> points;
        uint32_t mark = 0;
    };

    void updateWindow(int index, double t, double v);
    const RawBufferData &rawAt(size_t logicalIndex) const;

    std::vector<Window> m_windows;
    std::vector<RawBufferData> m_raw;
    size_t m_rawCapacity = 1;
    size_t m_rawHead = 0; // the oldest sample once the ring is full
    size_t m_rawCount = 0;
    uint64_t m_lastTimeNs = 0;
    uint16_t m_elementOffset = 0;
    uint16_t m_odr = 0;
    bool m_enabled = false;
};

Q_DECLARE_METATYPE(ActiveScalar::RawBufferData)
