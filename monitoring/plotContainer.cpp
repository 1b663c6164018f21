#include "plotContainer.h"

#include "SimulinkSignal.h"

plotContainer::plotContainer(QObject *parent)
    : QObject(parent)
{
}

plotContainer::~plotContainer()
{
    for (Slot &slot : m_slots)
        emptySlot(slot);
}

void plotContainer::addSignal(SimulinkDataTypes::SimulinkSignal *signal, QPoint elementIndex, int slotNumber)
{
    if (!signal || slotNumber < 0 || slotNumber >= SlotCount || signal->odr() == 0)
        return;
    Slot &slot = m_slots[size_t(slotNumber)];
    emptySlot(slot);
    const uint16_t offset = signal->elementOffset({elementIndex.x(), elementIndex.y()});
    slot.samples = std::make_unique<SlotSamples>(offset);
    slot.handle = signal->subscribe(offset, signal->odr(), slot.samples.get());
    slot.signal = signal;
}

void plotContainer::removeSignal(SimulinkDataTypes::SimulinkSignal *, int slotNumber)
{
    if (slotNumber >= 0 && slotNumber < SlotCount)
        emptySlot(m_slots[size_t(slotNumber)]);
}

double plotContainer::getLatestValue(int index) const
{
    if (index < 0 || index >= SlotCount || !m_slots[size_t(index)].samples)
        return 0;
    return m_slots[size_t(index)].samples->latest();
}

SimulinkDataTypes::SimulinkSignal *plotContainer::signalAt(int slotNumber) const
{
    return slotNumber >= 0 && slotNumber < SlotCount ? m_slots[size_t(slotNumber)].signal.data() : nullptr;
}

qsizetype plotContainer::sampleCount(int slotNumber) const
{
    if (slotNumber < 0 || slotNumber >= SlotCount || !m_slots[size_t(slotNumber)].samples)
        return 0;
    return m_slots[size_t(slotNumber)].samples->count();
}

void plotContainer::emptySlot(Slot &slot)
{
    // Unsubscribed before the samples go, so that nothing is handed to freed samples.
    if (slot.signal)
        slot.signal->unsubscribe(slot.handle);
    slot.signal.clear();
    slot.handle = -1;
    slot.samples.reset();
}
