#include "plotContainer.h"

#include "ActiveScalar.h"
#include "ExternalMonitor_signalViewBuffer.h"
#include "SimulinkSignal.h"

#include <QAbstractAxis>
#include <QValueAxis>
#include <QXYSeries>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

plotContainer::plotContainer(QObject *parent)
    : QObject(parent)
{
}

plotContainer::~plotContainer()
{
    for (Slot &slot : m_slots)
        emptySlot(slot);
}

void plotContainer::setXRangeIndex(uint index)
{
    // The x ranges are the only ones the windows were made for.
    if (index == m_xRangeIndex || index >= uint(m_xRanges.size()))
        return;
    m_xRangeIndex = index;
    emit xRangeIndexChanged();
}

void plotContainer::setYMin(double value)
{
    if (m_yAxis && value < m_yMax) {
        m_yMin = value;
        m_yAxis->setMin(value);
    }
    // Also when refused, so that the screen shows the value that holds.
    emit yMinChanged();
}

void plotContainer::setYMax(double value)
{
    if (m_yAxis && value > m_yMin) {
        m_yMax = value;
        m_yAxis->setMax(value);
    }
    emit yMaxChanged();
}

void plotContainer::setAutoRange(bool on)
{
    if (on == m_autoRange)
        return;
    m_autoRange = on;
    emit autoRangeChanged();
}

void plotContainer::setDynamicTick(bool on)
{
    if (on == m_dynamicTick)
        return;
    m_dynamicTick = on;
    emit dynamicTickChanged();
}

void plotContainer::setPause(bool on)
{
    if (on == m_pause)
        return;
    m_pause = on;
    emit pauseChanged();
}

void plotContainer::setDynamicXrange(bool on)
{
    if (on == m_dynamicXrange)
        return;
    m_dynamicXrange = on;
    emit dynamicXrangeChanged();
}

void plotContainer::setRequestedODR(uint odr)
{
    if (odr == m_requestedODR)
        return;
    m_requestedODR = odr;
    emit requestedODRChanged();
}

void plotContainer::setNumberOfBuckets(int buckets)
{
    // A chart not laid out yet reports a width of 0: a window needs one bucket at least.
    const auto stored = uint16_t(std::clamp(buckets, 1, int(std::numeric_limits<uint16_t>::max())));
    if (stored == m_numberOfBuckets)
        return;
    m_numberOfBuckets = stored;
    emit numberOfBucketsChanged();
}

void plotContainer::addSignal(SimulinkDataTypes::SimulinkSignal *signal, QPoint elementIndex, int slotNumber)
{
    if (!signal || !validSlot(slotNumber) || signal->odr() == 0)
        return;
    Slot &slot = m_slots[size_t(slotNumber)];
    // What the slot showed goes whether or not the chart has its series yet, so that
    // no buffer stays subscribed behind the new one.
    emptySlot(slot);
    slot.elementOffset = signal->elementOffset({elementIndex.x(), elementIndex.y()});
    slot.scalar = new ActiveScalar(this, slot.elementOffset, signal->odr(), m_numberOfBuckets, m_xRanges);
    slot.viewBuffer = new ExternalMonitor_signalViewBuffer(slot.scalar, signal->odr(), this);
    slot.viewBuffer->setScalar(slot.scalar);
    slot.handle = signal->subscribe(slot.elementOffset, signal->odr(), slot.scalar);
    slot.signal = signal;
}

void plotContainer::removeSignal(SimulinkDataTypes::SimulinkSignal *, int slotNumber)
{
    if (validSlot(slotNumber))
        emptySlot(m_slots[size_t(slotNumber)]);
}

void plotContainer::emptySlot(Slot &slot)
{
    // Unsubscribed before the buffer goes, so that nothing is handed to a freed buffer.
    if (slot.signal)
        slot.signal->unsubscribe(slot.handle);
    slot.signal.clear();
    slot.handle = -1;
    delete std::exchange(slot.viewBuffer, nullptr);
    delete std::exchange(slot.scalar, nullptr);
    slot.shownWindow = -1;
    if (slot.series)
        slot.series->clear();
}

void plotContainer::setGuiPointers(QObject *window, QAbstractAxis *Yaxis, QAbstractAxis *Xaxis)
{
    m_window = window;
    m_yAxis = Yaxis;
    m_xAxis = Xaxis;
    if (m_yAxis)
        m_yAxis->setRange(m_yMin, m_yMax);
    connect(this, &plotContainer::autoRangeChanged, this, &plotContainer::setMinMax, Qt::UniqueConnection);
    connect(this, &plotContainer::xRangeIndexChanged, this, &plotContainer::setXrange, Qt::UniqueConnection);
}

void plotContainer::setSeries(QXYSeries *series1, QXYSeries *series2, QXYSeries *series3, QXYSeries *series4)
{
    const std::array<QXYSeries *, SlotCount> series{series1, series2, series3, series4};
    for (size_t i = 0; i < m_slots.size(); ++i) {
        m_slots[i].series = series[i];
        m_slots[i].shownWindow = -1;
    }
}

void plotContainer::qSGUpdate()
{
    if (m_pause && m_shown)
        return;
    if (m_autoRange && m_yAxis) {
        setMinMaxAuto();
        showYTicks();
        if (m_autoMin != m_yMin) {
            m_yAxis->setMin(m_autoMin);
            m_yMin = m_autoMin;
            emit yMinChanged();
        }
        if (m_autoMax != m_yMax) {
            m_yAxis->setMax(m_autoMax);
            m_yMax = m_autoMax;
            emit yMaxChanged();
        }
    }
    const int window = int(m_xRangeIndex);
    for (Slot &slot : m_slots) {
        if (!slot.scalar || !slot.signal || !slot.series)
            continue;
        // The series gets a shared copy of the window, and only when it changed.
        const uint64_t version = slot.scalar->windowVersion(window);
        if (slot.shownWindow == window && slot.shownVersion == version)
            continue;
        slot.series->replace(slot.scalar->points(window));
        slot.shownWindow = window;
        slot.shownVersion = version;
    }
    setXrange();
}

void plotContainer::setMinMax()
{
    if (!m_yAxis || !m_xAxis)
        return;
    if (m_autoRange)
        setMinMaxAuto();
    else
        m_yAxis->setRange(m_yMin, m_yMax);
    showYTicks();
}

void plotContainer::setMinMaxAuto()
{
    if (!m_yAxis || !m_xAxis || !m_autoRange || m_pause)
        return;
    constexpr double Infinity = std::numeric_limits<double>::infinity();
    double low = Infinity;
    double high = -Infinity;
    const int window = int(m_xRangeIndex);
    for (const Slot &slot : m_slots) {
        if (!slot.scalar || !slot.signal)
            continue;
        low = std::min(low, slot.scalar->windowMinimum(window));
        high = std::max(high, slot.scalar->windowMaximum(window));
    }
    if (std::isinf(low))
        low = 0;
    if (std::isinf(high))
        high = 0;
    const double span = std::abs(high - low);
    const double margin = span == 0 ? double(m_fallbackMargin) : 0.2 * span;
    low -= margin;
    high += margin;
    // Five ticks: the one that comes within half a step of 0 is moved onto it.
    const double step = (high - low) * 0.25;
    double anchor = low;
    for (int i = 0; i <= 4; ++i) {
        const double tick = low + i * step;
        if (std::abs(tick) < step * 0.5) {
            low -= tick;
            high -= tick;
            anchor = 0;
            break;
        }
    }
    m_autoMin = low;
    m_autoMax = high;
    m_autoStep = step;
    m_autoAnchor = anchor;
}

// The automatic range's ticks are counted from their anchor, so that the tick on 0
// reads 0: an axis that divides its range itself puts it a rounding error away
// ("1.776e-15"). Limits the user sets get evenly divided ticks.
void plotContainer::showYTicks()
{
    auto *axis = qobject_cast<QValueAxis *>(m_yAxis.data());
    if (!axis)
        return;
    if (m_autoRange && m_autoStep > 0) {
        axis->setTickAnchor(m_autoAnchor);
        axis->setTickInterval(m_autoStep);
        axis->setTickType(QValueAxis::TicksDynamic);
    } else {
        axis->setTickType(QValueAxis::TicksFixed);
    }
}

void plotContainer::setXrange()
{
    if (!m_xAxis || !m_shown)
        return;
    double latest = 0;
    for (const Slot &slot : m_slots)
        if (slot.scalar)
            latest = std::max(latest, slot.scalar->lastTime());
    const double range = m_xRanges.value(qsizetype(m_xRangeIndex), m_xRanges.last());
    if (m_dynamicXrange) {
        const double start = std::floor(latest / range) * range;
        m_xAxis->setRange(start, start + range);
    } else {
        m_xAxis->setRange(latest - range, latest);
    }
}

double plotContainer::getLatestValue(int index) const
{
    const ActiveScalar *scalar = scalarAt(index);
    return scalar ? scalar->newestValue() : 0;
}

double plotContainer::getValueAtTime(int index, double time) const
{
    const ActiveScalar *scalar = scalarAt(index);
    return scalar ? scalar->valueAtTime(time) : 0;
}

SimulinkDataTypes::SimulinkSignal *plotContainer::signalAt(int slotNumber) const
{
    return validSlot(slotNumber) ? m_slots[size_t(slotNumber)].signal.data() : nullptr;
}

ActiveScalar *plotContainer::scalarAt(int slotNumber) const
{
    return validSlot(slotNumber) ? m_slots[size_t(slotNumber)].scalar : nullptr;
}

ExternalMonitor_signalViewBuffer *plotContainer::viewBufferAt(int slotNumber) const
{
    return validSlot(slotNumber) ? m_slots[size_t(slotNumber)].viewBuffer : nullptr;
}

qsizetype plotContainer::sampleCount(int slotNumber) const
{
    const ActiveScalar *scalar = scalarAt(slotNumber);
    return scalar ? scalar->rawSampleCount() : 0;
}
