#include "SimulinkParameter.h"

#include "ParameterNode.h"

#include <QLoggingCategory>

#include <cmath>
#include <limits>

Q_LOGGING_CATEGORY(lcSimulinkParameter, "Monitoring.SimulinkParameter")

namespace SimulinkDataTypes {

SimulinkParameter::SimulinkParameter(QObject *parent, monitoring::ParameterNode *node)
    : SimulinkVariable(parent, node)
    , m_node(node)
{
    m_node->setChangeCallback([this] {
        emit currentDataChanged(currentValue());
        emit syncStatusChanged();
    });
}

SimulinkParameter::~SimulinkParameter()
{
    if (m_node)
        m_node->setChangeCallback({});
}

uint16_t SimulinkParameter::referenceId() const
{
    return m_node ? m_node->referenceId() : 0;
}

uint16_t SimulinkParameter::modelReferenceIndex() const
{
    return m_node ? m_node->modelReference() : 0;
}

uint16_t SimulinkParameter::elementSize() const
{
    return m_node && m_node->dataType() ? m_node->dataType()->size() : 0;
}

void SimulinkParameter::detach()
{
    if (m_node)
        m_node->setChangeCallback({});
    m_node = nullptr;
    SimulinkVariable::detach();
}

double SimulinkParameter::currentValue() const
{
    return m_node ? m_node->valueAsDouble(0) : std::numeric_limits<double>::quiet_NaN();
}

bool SimulinkParameter::sync() const
{
    return !m_node || m_node->pendingWrites().isEmpty();
}

void SimulinkParameter::setValue(const QString &memLocString, double real)
{
    (void)memLocString.toInt();
    if (!m_node)
        return;
    m_node->setValue(0, real);
    qCDebug(lcSimulinkParameter).nospace()
        << "new parameter value set for parameter: " << name() << " value = " << real;
}

void SimulinkParameter::setValue(const QString &memLocString, double real, double imag)
{
    (void)memLocString.toInt();
    if (!m_node)
        return;
    m_node->setValue(0, real);
    qCDebug(lcSimulinkParameter).nospace()
        << "new parameter value set for parameter: " << name() << " value = " << real << "+" << imag << "i";
}

} // namespace SimulinkDataTypes
