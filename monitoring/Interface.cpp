#include "Interface.h"

#include "DataChannel.h"
#include "MonCtrlChannel.h"

namespace monitoring {

Interface::Interface(QObject *parent, DatalinkManager *manager)
    : QObject(parent)
    , m_control(new MonCtrlChannel(this, manager))
    , m_data(new DataChannel(this, manager))
{
}

Interface::~Interface() = default;

void Interface::registerPendingActivation(uint16_t referenceId, uint16_t dataOffset, StreamSink *sink)
{
    m_activations.registerPending(referenceId, dataOffset, sink);
}

void Interface::removePendingActivation(uint16_t referenceId, uint16_t dataOffset)
{
    m_activations.remove(referenceId, dataOffset);
}

} // namespace monitoring
