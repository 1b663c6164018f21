#pragma once

#include "SignalSink.h"

#include <QObject>
#include <QPoint>
#include <QPointer>

#include <array>
#include <memory>

namespace SimulinkDataTypes {
class SimulinkSignal;
}

Q_MOC_INCLUDE("SimulinkSignal.h")

// One chart of the monitoring workspace: four slots, each showing one element of a
// signal. A slot subscribes its element and keeps what arrives. The signals are not
// owned and are held guarded, so a slot whose signal went with its model reaches
// nothing.
class plotContainer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name READ name CONSTANT)

public:
    static constexpr int SlotCount = 4;

    explicit plotContainer(QObject *parent = nullptr);
    ~plotContainer() override;

    QString name() const { return QStringLiteral("multiplot"); }

    // Shows element elementIndex (row, column) of signal in slot slotNumber, in place
    // of what the slot showed. A signal without a rate cannot be plotted.
    Q_INVOKABLE void addSignal(SimulinkDataTypes::SimulinkSignal *signal, QPoint elementIndex, int slotNumber);
    Q_INVOKABLE void removeSignal(SimulinkDataTypes::SimulinkSignal *signal, int slotNumber);
    // The newest value of a slot, 0 without one.
    Q_INVOKABLE double getLatestValue(int index) const;

    SimulinkDataTypes::SimulinkSignal *signalAt(int slotNumber) const;
    qsizetype sampleCount(int slotNumber) const;

private:
    // The samples of a slot's element.
    class SlotSamples final : public SimulinkDataTypes::SignalSink
    {
    public:
        explicit SlotSamples(uint16_t elementOffset)
            : m_elementOffset(elementOffset)
        {
        }
        uint16_t elementOffset() const override { return m_elementOffset; }
        void addSample(uint64_t, double value) override
        {
            m_latest = value;
            ++m_count;
        }
        double latest() const { return m_latest; }
        qsizetype count() const { return m_count; }

    private:
        uint16_t m_elementOffset;
        double m_latest = 0;
        qsizetype m_count = 0;
    };

    struct Slot
    {
        QPointer<SimulinkDataTypes::SimulinkSignal> signal;
        std::unique_ptr<SlotSamples> samples;
        int handle = -1;
    };

    void emptySlot(Slot &slot);

    std::array<Slot, SlotCount> m_slots;
};
