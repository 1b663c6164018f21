#include "SimulinkVariableModel.h"

#include "Interface.h"
#include "SimulinkVariable.h"

using SimulinkDataTypes::SimulinkVariable;

SimulinkVariableModel::SimulinkVariableModel(QObject *parent, monitoring::Interface *interface,
                                             SimulinkDataTypes::VariableType visibleType)
    : QAbstractListModel(parent)
    , m_visibleType(visibleType)
    , m_interface(interface)
{
    if (m_interface->isInitialized())
        rebuild();
    connect(m_interface, &monitoring::Interface::simulinkVariablesChanged, this, &SimulinkVariableModel::reloadModel);
    // Rows of dropped variables go at once, before the variables do.
    connect(m_interface, &monitoring::Interface::simulinkVariablesDropped, this, &SimulinkVariableModel::reloadModel);
}

bool SimulinkVariableModel::setVariableType(SimulinkDataTypes::VariableType type)
{
    if (type == m_visibleType)
        return false;
    beginResetModel();
    m_visibleType = type;
    endResetModel();
    return true;
}

int SimulinkVariableModel::rowCount(const QModelIndex &parent) const
{
    const std::vector<uint32_t> *list = visibleList();
    if (parent.isValid() || !list || !m_built)
        return 0;
    return int(list->size());
}

QVariant SimulinkVariableModel::data(const QModelIndex &index, int role) const
{
    const std::vector<uint32_t> *list = visibleList();
    if (!list || !m_built || index.row() < 0 || size_t(index.row()) >= list->size())
        return {};
    const uint32_t position = (*list)[size_t(index.row())];
    const QList<SimulinkVariable *> &variables = m_interface->simulinkVariables();
    if (position >= uint32_t(variables.size()) || !variables[position])
        return {};
    SimulinkVariable *variable = variables[position];
    switch (role) {
    case PathNameRole:
        return QString(variable->path() + '/' + variable->name());
    case VariableRole:
        return QVariant::fromValue(variable);
    case ParentPathRole:
        return variable->parentPath();
    default:
        return {};
    }
}

QHash<int, QByteArray> SimulinkVariableModel::roleNames() const
{
    return {{PathNameRole, "pathname"}, {VariableRole, "simulinkVariable"}, {ParentPathRole, "parentPath"}};
}

void SimulinkVariableModel::reloadModel()
{
    beginResetModel();
    rebuild();
    endResetModel();
}

const std::vector<uint32_t> *SimulinkVariableModel::visibleList() const
{
    switch (m_visibleType) {
    case SimulinkDataTypes::Signal:
        return &m_signals;
    case SimulinkDataTypes::BlockParameter:
        return &m_blockParameters;
    case SimulinkDataTypes::ModelParameter:
        return &m_modelParameters;
    default:
        return nullptr;
    }
}

void SimulinkVariableModel::rebuild()
{
    m_signals.clear();
    m_modelParameters.clear();
    m_blockParameters.clear();
    if (!visibleList())
        return;
    const QList<SimulinkVariable *> &variables = m_interface->simulinkVariables();
    for (qsizetype i = 0; i < variables.size(); ++i) {
        const SimulinkVariable *variable = variables[i];
        if (!variable)
            continue;
        const QString type = variable->type();
        if (type.contains(QLatin1String("signal")))
            m_signals.push_back(uint32_t(i));
        else if (type.contains(QLatin1String("parameter"))
                 && variable->variableType() == SimulinkDataTypes::ModelParameter)
            m_modelParameters.push_back(uint32_t(i));
        else if (type.contains(QLatin1String("parameter"))
                 && variable->variableType() == SimulinkDataTypes::BlockParameter)
            m_blockParameters.push_back(uint32_t(i));
    }
    m_built = true;
}
