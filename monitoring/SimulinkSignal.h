#pragma once

#include "SimulinkVariable.h"

#include <QHash>
#include <QList>

namespace monitoring {
class StreamableNode;
}

namespace SimulinkDataTypes {

class SignalSink;

// A signal, state, root input or output, or bus element as QML and the plots see it:
// its rate and shape, and the subscriptions through which the plots receive the
// samples of its elements.
class SimulinkSignal : public SimulinkVariable
{
    Q_OBJECT
    Q_PROPERTY(SimulinkDataTypes::SimulinkSignal *self READ self CONSTANT)
    Q_PROPERTY(uint16_t ODR READ odr CONSTANT)
    Q_PROPERTY(bool autoRange READ autoRange WRITE setAutoRange)
    Q_PROPERTY(bool paused READ paused WRITE setPaused)
    Q_PROPERTY(int valueClass READ valueClass WRITE setValueClass NOTIFY valueClassChanged)
    Q_PROPERTY(int rows READ rows CONSTANT)
    Q_PROPERTY(int columns READ columns CONSTANT)

public:
    // The class of the latest sample.
    enum ValueClass {
        Subnormal = -2,
        Normal = -1,
        Zero = 0,
        Infinite = 1,
        NotANumber = 2,
    };

    SimulinkSignal(QObject *parent, monitoring::StreamableNode *node);
    ~SimulinkSignal() override;

    uint16_t referenceId() const override;
    uint16_t modelReferenceIndex() const override;
    uint16_t elementSize() const override;
    void detach() override;

    SimulinkSignal *self() { return this; }
    uint16_t odr() const { return m_odr; }
    bool autoRange() const { return m_autoRange; }
    void setAutoRange(bool autoRange) { m_autoRange = autoRange; }
    bool paused() const { return m_paused; }
    void setPaused(bool paused) { m_paused = paused; }
    int valueClass() const { return m_valueClass; }
    void setValueClass(int valueClass);
    int rows() const { return m_rows; }
    int columns() const { return m_columns; }

    static int classify(double value);

    // The byte offset of the element at index (row, column) inside the signal's
    // value. A signal of one dimension counts its elements along the row.
    uint16_t elementOffset(const QList<int> &index) const;
    // Streams the element at elementOffset into sink at rate; the handle names the
    // subscription. -1 once the signal is detached.
    int subscribe(uint16_t elementOffset, uint16_t rate, SignalSink *sink);
    // Ends a subscription; the board stops streaming the element when no other
    // subscription watches it.
    void unsubscribe(int handle);
    void onValue(int handle, double value, uint64_t timestamp);

    qsizetype subscriptionCount() const { return m_subscriptions.size(); }

signals:
    void valueClassChanged();

private:
    monitoring::StreamableNode *m_node;
    uint16_t m_odr;
    bool m_autoRange = false;
    bool m_paused = false;
    int m_valueClass = Zero;
    int m_rows = 1;
    int m_columns = 1;
    int m_nextHandle = 0;
    QHash<int, SignalSink *> m_subscriptions;
};

} // namespace SimulinkDataTypes
