#include "ExternalMonitor_signalViewBuffer.h"

#include "ActiveScalar.h"

#include <QAbstractAxis>
#include <QXYSeries>

#include <cmath>

ExternalMonitor_signalViewBuffer::ExternalMonitor_signalViewBuffer(ActiveScalar *scalar, int odr, QObject *parent)
    : QObject(parent)
    , m_scalar(scalar)
    , m_odr(odr)
{
    generateData(0, 5, 1024);
}

void ExternalMonitor_signalViewBuffer::setType(const QString &type)
{
    if (type == m_type)
        return;
    m_type = type;
    emit typeChanged();
}

void ExternalMonitor_signalViewBuffer::setRawBufferSize(int size)
{
    if (size == m_rawBufferSize)
        return;
    m_rawBufferSize = size;
    emit rawBufferSizeUpdated();
}

void ExternalMonitor_signalViewBuffer::setGuiPointers(QXYSeries *series, int Xrange, bool autoRange,
                                                      QAbstractAxis *Yaxis, QAbstractAxis *Xaxis)
{
    m_series = series;
    m_xRange = Xrange;
    m_autoRange = autoRange;
    m_yAxis = Yaxis;
    m_xAxis = Xaxis;
    m_axesSet = true;
}

void ExternalMonitor_signalViewBuffer::generateData(int type, int rowCount, int colCount)
{
    m_testData.clear();
    m_testData.reserve(rowCount);
    for (int i = 0; i < rowCount; ++i) {
        QList<QPointF> row;
        row.reserve(colCount);
        for (int j = 0; j < colCount; ++j) {
            if (type == 0)
                row.append(QPointF(j, std::sin(0.0682 * j) + 0.5));
            else if (type == 1)
                row.append(QPointF(j, i / 10.0));
            else
                row.append(QPointF(0, 0));
        }
        m_testData.append(row);
    }
}

void ExternalMonitor_signalViewBuffer::setScalar(ActiveScalar *scalar)
{
    m_scalar = scalar;
    m_scalarSet = scalar != nullptr;
}

void ExternalMonitor_signalViewBuffer::update(QXYSeries *series, int, bool autoRange, QAbstractAxis *Yaxis,
                                              QAbstractAxis *Xaxis)
{
    if (!m_scalarSet || !m_scalar)
        return;
    m_rawBufferSize = int(m_scalar->rawSampleCount());
    emit rawBufferSizeUpdated();
    if (m_paused)
        return;
    if (series) {
        m_points = m_scalar->rawPoints();
        series->replace(m_points);
        series->setPointsVisible(true);
    }
    if (Yaxis)
        setYRange(Yaxis, autoRange);
    if (Xaxis)
        setXRange(Xaxis);
}

void ExternalMonitor_signalViewBuffer::updateFromBackend()
{
    if (!m_visible || !m_series || !m_scalarSet || !m_scalar || !m_axesSet)
        return;
    m_rawBufferSize = int(m_scalar->rawSampleCount());
    emit rawBufferSizeUpdated();
    if (m_paused)
        return;
    if (m_yAxis)
        setYRange(m_yAxis, m_autoRange);
    if (m_xAxis) {
        setXRange(m_xAxis);
        if (m_autoRange && !m_points.isEmpty())
            m_xAxis->setMinorGridLineVisible(true);
    }
}

void ExternalMonitor_signalViewBuffer::setYRange(QAbstractAxis *axis, bool autoRange) const
{
    if (!autoRange) {
        axis->setRange(m_yMin, m_yMax);
        return;
    }
    const double maximum = m_scalar->windowMaximum(0);
    const double minimum = m_scalar->windowMinimum(0);
    const double span = std::abs(maximum - minimum);
    if (span >= 1e-8)
        axis->setRange(minimum - 0.2 * span, maximum + 0.2 * span);
    else
        axis->setRange(minimum - 1, maximum + 1);
}

// The newest xRange seconds of the points drawn, or all of them while they are shorter.
void ExternalMonitor_signalViewBuffer::setXRange(QAbstractAxis *axis) const
{
    if (m_points.isEmpty())
        return;
    const double last = m_points.last().x();
    const qsizetype windowCount = qsizetype(m_odr) * m_xRange;
    const double first = windowCount > 0 && m_points.size() > windowCount ? m_points[m_points.size() - windowCount].x()
                                                                          : m_points.first().x();
    axis->setRange(first, std::max(last, first + 1e-9));
}
