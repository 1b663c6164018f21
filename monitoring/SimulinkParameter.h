#pragma once

#include "SimulinkVariable.h"

namespace monitoring {
class ParameterNode;
}

namespace SimulinkDataTypes {

// A block or model parameter as QML sees it: the value the board last reported,
// whether writes are still unconfirmed, and writing a new value.
class SimulinkParameter : public SimulinkVariable
{
    Q_OBJECT
    Q_PROPERTY(SimulinkDataTypes::SimulinkParameter *self READ self CONSTANT)
    Q_PROPERTY(double currentValue READ currentValue NOTIFY currentDataChanged)
    Q_PROPERTY(bool sync READ sync NOTIFY syncStatusChanged)

public:
    SimulinkParameter(QObject *parent, monitoring::ParameterNode *node);
    ~SimulinkParameter() override;

    uint16_t referenceId() const override;
    uint16_t modelReferenceIndex() const override;
    uint16_t elementSize() const override;
    void detach() override;

    SimulinkParameter *self() { return this; }
    // Element 0 as the board reports it; NaN once detached or without elements.
    double currentValue() const;
    bool sync() const;

    // Writes element 0 (memLocString is read and not used).
    Q_INVOKABLE void setValue(const QString &memLocString, double real);
    // The same; only the real part reaches the board.
    Q_INVOKABLE void setValue(const QString &memLocString, double real, double imag);

signals:
    void syncStatusChanged();
    void currentDataChanged(double real);

private:
    monitoring::ParameterNode *m_node;
};

} // namespace SimulinkDataTypes
