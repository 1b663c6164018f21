#include "SimulinkVariableFilterProxyModel.h"

#include "SimulinkVariable.h"
#include "SimulinkVariableModel.h"

SimulinkVariableFilterProxyModel::SimulinkVariableFilterProxyModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{
}

void SimulinkVariableFilterProxyModel::setFilterType(const QString &filter)
{
    if (filter == QLatin1String("important"))
        setFilterType(Important);
    else if (filter == QLatin1String("normal"))
        setFilterType(Normal);
    else
        setFilterType(AllSignals);
}

void SimulinkVariableFilterProxyModel::setFilterType(FilterType filter)
{
    m_filterType = filter;
    invalidateFilter();
}

bool SimulinkVariableFilterProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    const auto *variable =
        sourceModel()->data(index, SimulinkVariableModel::VariableRole).value<SimulinkDataTypes::SimulinkVariable *>();
    if (!variable)
        return false;
    if (m_filterType == Normal && variable->generatedName())
        return false;
    if (m_filterType == Important && !variable->impSignal())
        return false;
    return QSortFilterProxyModel::filterAcceptsRow(sourceRow, sourceParent);
}
