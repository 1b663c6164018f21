#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>

#include <array>

class ActiveScalar;
class ExternalMonitor_signalViewBuffer;
class QAbstractAxis;
class QXYSeries;

namespace SimulinkDataTypes {
class SimulinkSignal;
}

Q_MOC_INCLUDE("SimulinkSignal.h")
Q_MOC_INCLUDE(<QAbstractAxis>)
Q_MOC_INCLUDE(<QXYSeries>)

// One chart of the monitoring workspace: four slots, each showing one element of a
// signal through its live buffer, the x ranges the chart offers, the y range with its
// automatic mode, and the chart's series and axes, which the screen hands over once it
// has built them. The signals are not owned and are held guarded, so a slot whose
// signal went with its model reaches nothing.
class plotContainer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name READ name CONSTANT)
    Q_PROPERTY(QList<double> xRanges READ getXRanges CONSTANT)
    Q_PROPERTY(uint xRangeIndex READ xRangeIndex WRITE setXRangeIndex NOTIFY xRangeIndexChanged)
    Q_PROPERTY(double yMin READ yMin WRITE setYMin NOTIFY yMinChanged)
    Q_PROPERTY(double yMax READ yMax WRITE setYMax NOTIFY yMaxChanged)
    Q_PROPERTY(bool autoRange READ autoRange WRITE setAutoRange NOTIFY autoRangeChanged)
    Q_PROPERTY(bool dynamicTick READ dynamicTick WRITE setDynamicTick NOTIFY dynamicTickChanged)
    Q_PROPERTY(bool pause READ pause WRITE setPause NOTIFY pauseChanged)
    Q_PROPERTY(bool dynamicXrange READ dynamicXrange WRITE setDynamicXrange NOTIFY dynamicXrangeChanged)
    Q_PROPERTY(uint requestedODR READ requestedODR WRITE setRequestedODR NOTIFY requestedODRChanged)
    Q_PROPERTY(int numberOfBuckets READ numberOfBuckets WRITE setNumberOfBuckets NOTIFY numberOfBucketsChanged)

public:
    static constexpr int SlotCount = 4;

    explicit plotContainer(QObject *parent = nullptr);
    ~plotContainer() override;

    QString name() const { return QStringLiteral("multiplot"); }
    uint xRangeIndex() const { return m_xRangeIndex; }
    void setXRangeIndex(uint index);
    double yMin() const { return m_yMin; }
    void setYMin(double value);
    double yMax() const { return m_yMax; }
    void setYMax(double value);
    bool autoRange() const { return m_autoRange; }
    void setAutoRange(bool on);
    bool dynamicTick() const { return m_dynamicTick; }
    void setDynamicTick(bool on);
    bool pause() const { return m_pause; }
    void setPause(bool on);
    bool dynamicXrange() const { return m_dynamicXrange; }
    void setDynamicXrange(bool on);
    uint requestedODR() const { return m_requestedODR; }
    void setRequestedODR(uint odr);
    int numberOfBuckets() const { return m_numberOfBuckets; }
    void setNumberOfBuckets(int buckets);

    // Shows element elementIndex (row, column) of signal in slot slotNumber, in place
    // of what the slot showed. A signal without a rate cannot be plotted.
    Q_INVOKABLE void addSignal(SimulinkDataTypes::SimulinkSignal *signal, QPoint elementIndex, int slotNumber);
    Q_INVOKABLE void removeSignal(SimulinkDataTypes::SimulinkSignal *signal, int slotNumber);
    Q_INVOKABLE void setGuiPointers(QObject *window, QAbstractAxis *Yaxis, QAbstractAxis *Xaxis);
    Q_INVOKABLE void setSeries(QXYSeries *series1, QXYSeries *series2, QXYSeries *series3, QXYSeries *series4);
    Q_INVOKABLE void setVisible(bool visible) { m_shown = visible; }
    // The frame update: each slot's points of the chosen x range into its series, and
    // the axes.
    Q_INVOKABLE void qSGUpdate();
    Q_INVOKABLE void updateGraph() { qSGUpdate(); }
    Q_INVOKABLE void minMaxUpdate() { setMinMaxAuto(); }
    Q_INVOKABLE QString formatDouble(double value) const { return QString::number(value, 'g', 6); }
    Q_INVOKABLE QList<double> getXRanges() const { return m_xRanges; }
    // The newest value of a slot, and its value at a time in seconds; 0 without one.
    Q_INVOKABLE double getLatestValue(int index) const;
    Q_INVOKABLE double getValueAtTime(int index, double time) const;

    SimulinkDataTypes::SimulinkSignal *signalAt(int slotNumber) const;
    ActiveScalar *scalarAt(int slotNumber) const;
    ExternalMonitor_signalViewBuffer *viewBufferAt(int slotNumber) const;
    qsizetype sampleCount(int slotNumber) const;
    // The y range the automatic mode found last.
    double automaticMinimum() const { return m_autoMin; }
    double automaticMaximum() const { return m_autoMax; }

signals:
    void xRangeIndexChanged();
    void yMinChanged();
    void yMaxChanged();
    void autoRangeChanged();
    void dynamicTickChanged();
    void pauseChanged();
    void dynamicXrangeChanged();
    void requestedODRChanged();
    void numberOfBucketsChanged();

public slots:
    void setMinMax();
    void setMinMaxAuto();
    void setXrange();

private:
    struct Slot
    {
        QPointer<SimulinkDataTypes::SimulinkSignal> signal;
        uint16_t elementOffset = 0;
        QPointer<QXYSeries> series;
        ActiveScalar *scalar = nullptr;
        ExternalMonitor_signalViewBuffer *viewBuffer = nullptr;
        int handle = -1;
        // What the series shows: the window and its version when it was last handed over.
        int shownWindow = -1;
        uint64_t shownVersion = 0;
    };

    bool validSlot(int index) const { return index >= 0 && index < SlotCount; }
    void emptySlot(Slot &slot);
    void showYTicks();

    std::array<Slot, SlotCount> m_slots;
    QPointer<QAbstractAxis> m_yAxis;
    QPointer<QAbstractAxis> m_xAxis;
    QPointer<QObject> m_window;
    double m_yMin = -200;
    double m_yMax = 200;
    double m_autoMin = 0;
    double m_autoMax = 0;
    // The automatic range's tick step, and where its ticks are anchored (0 when a
    // tick lies on it).
    double m_autoStep = 0.5;
    double m_autoAnchor = 0;
    uint16_t m_fallbackMargin = 1;
    QList<double> m_xRanges{1, 10, 100, 1000};
    uint m_xRangeIndex = 1;
    bool m_autoRange = true;
    bool m_pause = false;
    bool m_dynamicTick = true;
    bool m_dynamicXrange = true;
    bool m_shown = false;
    uint m_requestedODR = 100;
    uint16_t m_numberOfBuckets = 4000;
};
