#pragma once

#include "ActivationMap.h"
#include "DataTypeFactory.h"

#include <QObject>

class DatalinkManager;

namespace monitoring {

class DataChannel;
class MonCtrlChannel;
class StreamSink;

// The host's side of the monitored model: both monitoring channels, the streams the
// board has yet to acknowledge, and the data types. The nodes of the model tree reach
// the board through it.
class Interface : public QObject
{
    Q_OBJECT

public:
    // manager may be null: the channels then send nothing and receive nothing.
    Interface(QObject *parent, DatalinkManager *manager);
    ~Interface() override;

    MonCtrlChannel *controlChannel() const { return m_control; }
    DataChannel *dataChannel() const { return m_data; }
    const DataTypeFactory &dataTypes() const { return m_dataTypes; }

    // Routes the board's acknowledgement of the stream (referenceId, dataOffset) to
    // sink; the first sink of a stream keeps it.
    void registerPendingActivation(uint16_t referenceId, uint16_t dataOffset, StreamSink *sink);
    void removePendingActivation(uint16_t referenceId, uint16_t dataOffset);
    const ActivationMap &activations() const { return m_activations; }

protected:
    DataTypeFactory m_dataTypes;
    ActivationMap m_activations;

private:
    MonCtrlChannel *m_control;
    DataChannel *m_data;
};

} // namespace monitoring
