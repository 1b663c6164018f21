#include "SimulinkVariable.h"

#include "IModelNode.h"

namespace SimulinkDataTypes {

SimulinkVariable::SimulinkVariable(QObject *parent, monitoring::IModelNode *node)
    : QObject(parent)
    , m_node(node)
    , m_name(QString::fromUtf8(node->name()))
    , m_path(QString::fromUtf8(node->fullPath()))
    , m_parentPath(node->parent() ? QString::fromUtf8(node->parent()->fullPath()) : QString())
    , m_type(typeText(node->typeCode()))
    , m_variableType(variableTypeOf(node->typeCode()))
    , m_generatedName(node->hasGeneratedName())
    , m_impSignal(m_path.contains(HighlightMark, Qt::CaseInsensitive))
{
}

SimulinkVariable::~SimulinkVariable() = default;

void SimulinkVariable::detach()
{
    m_node = nullptr;
}

void SimulinkVariable::setCollapsedState(const QString &state)
{
    if (state == m_collapsedState)
        return;
    m_collapsedState = state;
    emit collapsedStateChanged();
}

QString SimulinkVariable::typeText(int32_t typeCode)
{
    using N = monitoring::IModelNode;
    switch (typeCode) {
    case N::Model:
        return QStringLiteral("model");
    case N::Subsystem:
        return QStringLiteral("subsystem");
    case N::Block:
        return QStringLiteral("block");
    case N::Signal:
    case N::RootInput:
    case N::RootOutput:
    case N::BusElement:
        return QStringLiteral("signal");
    case N::BlockParameter:
    case N::ModelParameter:
        return QStringLiteral("parameter");
    case N::BlockState:
        return QStringLiteral("state");
    case N::BusSignal:
    case N::BusRootInput:
    case N::BusRootOutput:
        return QStringLiteral("struct");
    default:
        return QStringLiteral("unknown");
    }
}

VariableType SimulinkVariable::variableTypeOf(int32_t typeCode)
{
    using N = monitoring::IModelNode;
    switch (typeCode) {
    case N::Signal:
        return Signal;
    case N::BlockParameter:
        return BlockParameter;
    case N::BlockState:
        return State;
    case N::ModelParameter:
        return ModelParameter;
    case N::RootInput:
        return RootInput;
    case N::RootOutput:
        return RootOutput;
    case N::BusElement:
        return StructElement;
    default:
        return None;
    }
}

} // namespace SimulinkDataTypes
