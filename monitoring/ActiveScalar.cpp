#include "ActiveScalar.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();

size_t rawCapacityFor(uint16_t odr, const QList<double> &xRanges)
{
    double longest = 0;
    for (double range : xRanges)
        if (std::isfinite(range))
            longest = std::max(longest, range);
    const double wanted = std::ceil(longest * double(odr)) + 1;
    return size_t(std::clamp(wanted, 1.0, double(ActiveScalar::MaximumRawCapacity)));
}

} // namespace

ActiveScalar::ActiveScalar(QObject *parent, uint16_t elementOffset, uint16_t odr, int numberOfBuckets,
                           const QList<double> &xRanges)
    : QObject(parent)
    , m_rawCapacity(rawCapacityFor(odr, xRanges))
    , m_elementOffset(elementOffset)
    , m_odr(odr)
{
    // A chart not laid out yet reports no width; one bucket still plots something.
    const int buckets = std::max(numberOfBuckets, 1);
    m_windows.reserve(size_t(xRanges.size()));
    for (double range : xRanges) {
        Window window;
        window.xRange = range;
        window.bucketWidth = range / buckets;
        window.currentMin = window.previousMin = Infinity;
        window.currentMax = window.previousMax = -Infinity;
        window.points.reserve(4 * buckets + 4);
        m_windows.push_back(std::move(window));
    }
    // Reserved whole, so that taking a sample never allocates; the pages are used
    // only as samples fill them.
    m_raw.reserve(m_rawCapacity);
}

void ActiveScalar::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    emit enabledChanged();
}

void ActiveScalar::addData(RawBufferData data)
{
    // Times must increase strictly; kept in nanoseconds so that none is lost at
    // epoch-scale times.
    if (data.time <= m_lastTimeNs)
        return;
    if (m_rawCount < m_rawCapacity) {
        m_raw.push_back(data);
        ++m_rawCount;
    } else {
        m_raw[m_rawHead] = data;
        m_rawHead = (m_rawHead + 1) % m_rawCapacity;
    }
    m_lastTimeNs = data.time;
    updatePointBuffers(data);
}

void ActiveScalar::updatePointBuffers(RawBufferData incoming_point)
{
    const double t = double(incoming_point.time) / 1e9;
    for (int i = 0; i < int(m_windows.size()); ++i)
        updateWindow(i, t, incoming_point.value);
}

void ActiveScalar::updateWindow(int index, double t, double v)
{
    Window &w = m_windows[size_t(index)];
    QList<QPointF> &points = w.points;

    if (points.isEmpty() || t - w.bucketStart > w.bucketWidth) {
        points.append(QPointF(t, v));
        points.append(QPointF(t, v));
        w.bucketStart = t;
    } else {
        // The last two points are the bucket's extremes, in time order. A NaN fails
        // every comparison and leaves them as they are.
        const qsizetype last = points.size() - 1;
        const qsizetype lowIndex = points[last - 1].y() <= points[last].y() ? last - 1 : last;
        const qsizetype highIndex = points[last].y() >= points[last - 1].y() ? last : last - 1;
        if (v <= points[lowIndex].y()) {
            points[lowIndex] = QPointF(t, v);
            if (lowIndex != last)
                points.swapItemsAt(last - 1, last);
        }
        if (v >= points[highIndex].y()) {
            points[highIndex] = QPointF(t, v);
            if (highIndex != last)
                points.swapItemsAt(last - 1, last);
        }
    }

    if (std::isfinite(v)) {
        if (v < w.currentMin) {
            w.currentMin = v;
            emit minMaxChanged();
        }
        if (v > w.currentMax) {
            w.currentMax = v;
            emit minMaxChanged();
        }
    }

    if (w.mark == 0 && points.last().x() - points.first().x() >= w.xRange) {
        w.mark = uint32_t(points.size());
        swapMinMax(index);
    }
    const double reference = qsizetype(w.mark) < points.size() ? points[w.mark].x() : points.last().x();
    if (points.last().x() - reference >= w.xRange) {
        points.remove(0, w.mark);
        w.mark = uint32_t(points.size());
        swapMinMax(index);
    }
}

void ActiveScalar::swapMinMax(int window_size_index)
{
    if (window_size_index < 0 || window_size_index >= int(m_windows.size()))
        return;
    Window &w = m_windows[size_t(window_size_index)];
    w.previousMax = std::exchange(w.currentMax, -Infinity);
    w.previousMin = std::exchange(w.currentMin, Infinity);
    emit minMaxChanged();
}

double ActiveScalar::windowMaximum(int window) const
{
    const Window &w = m_windows[size_t(window)];
    if (std::isinf(w.currentMax))
        return std::isfinite(w.previousMax) ? w.previousMax : 0;
    return std::max(w.currentMax, w.previousMax);
}

double ActiveScalar::windowMinimum(int window) const
{
    const Window &w = m_windows[size_t(window)];
    if (std::isinf(w.currentMin))
        return std::isfinite(w.previousMin) ? w.previousMin : 0;
    return std::min(w.currentMin, w.previousMin);
}

const ActiveScalar::RawBufferData &ActiveScalar::rawAt(size_t logicalIndex) const
{
    size_t physical = m_rawHead + logicalIndex;
    if (physical >= m_rawCapacity)
        physical -= m_rawCapacity;
    return m_raw[physical];
}

double ActiveScalar::valueAtTime(double time) const
{
    // Compared in nanoseconds like the samples' own times; the ring is ordered by time.
    const double wanted = time * 1e9;
    size_t low = 0;
    size_t high = m_rawCount;
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (double(rawAt(middle).time) < wanted)
            low = middle + 1;
        else
            high = middle;
    }
    return low < m_rawCount ? rawAt(low).value : 0;
}

double ActiveScalar::newestValue() const
{
    return m_rawCount == 0 ? 0 : rawAt(m_rawCount - 1).value;
}
