#pragma once

#include <QColor>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>

class ActiveScalar;
class QAbstractAxis;
class QXYSeries;

Q_MOC_INCLUDE("ActiveScalar.h")
Q_MOC_INCLUDE(<QAbstractAxis>)
Q_MOC_INCLUDE(<QXYSeries>)

// Draws one live buffer into one chart series with its own axes: the raw samples as
// points, the y range from the buffer's extremes or from fixed limits. It also holds
// generated test curves for trying a chart without a board.
class ExternalMonitor_signalViewBuffer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString type READ type WRITE setType NOTIFY typeChanged)
    Q_PROPERTY(bool paused MEMBER m_paused)
    Q_PROPERTY(int xRange MEMBER m_xRange)
    Q_PROPERTY(double yMin MEMBER m_yMin)
    Q_PROPERTY(double yMax MEMBER m_yMax)
    Q_PROPERTY(bool autoRange MEMBER m_autoRange)
    Q_PROPERTY(int rawBufferSize READ rawBufferSize WRITE setRawBufferSize NOTIFY rawBufferSizeUpdated)

public:
    ExternalMonitor_signalViewBuffer(ActiveScalar *scalar, int odr, QObject *parent = nullptr);

    QString type() const { return m_type; }
    void setType(const QString &type);
    int rawBufferSize() const { return m_rawBufferSize; }
    void setRawBufferSize(int size);

    const QList<QList<QPointF>> &testData() const { return m_testData; }
    const QList<QPointF> &points() const { return m_points; }

    Q_INVOKABLE void setGuiPointers(QXYSeries *series, int Xrange, bool autoRange, QAbstractAxis *Yaxis,
                                    QAbstractAxis *Xaxis);
    Q_INVOKABLE void viewDestroyed() { m_axesSet = false; }
    Q_INVOKABLE void setVisibility(bool visible) { m_visible = visible; }
    Q_INVOKABLE void setColor(const QColor &color) { m_color = color; }

signals:
    void signalListChanged();
    void typeChanged();
    void rawBufferSizeUpdated();

public slots:
    void generateData(int type, int rowCount, int colCount);
    void update(QXYSeries *series, int Xrange, bool autoRange, QAbstractAxis *Yaxis, QAbstractAxis *Xaxis);
    void setScalar(ActiveScalar *scalar);
    void updateFromBackend();

private:
    void setYRange(QAbstractAxis *axis, bool autoRange) const;
    void setXRange(QAbstractAxis *axis) const;

    QPointer<ActiveScalar> m_scalar;
    bool m_scalarSet = false;
    QList<QList<QPointF>> m_testData;
    QList<QPointF> m_points;
    QString m_type;
    bool m_paused = false;
    double m_yMin = 0;
    double m_yMax = 100;
    int m_rawBufferSize = 0;
    int m_odr = 0;
    bool m_visible = true;
    QColor m_color;
    int m_xRange = 10;
    bool m_autoRange = true;
    QPointer<QXYSeries> m_series;
    QPointer<QAbstractAxis> m_yAxis;
    QPointer<QAbstractAxis> m_xAxis;
    bool m_axesSet = false;
};
