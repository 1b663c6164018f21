#pragma once

#include <QSortFilterProxyModel>

// The rows of the variable list that fit the chosen item view (highlighted, labelled
// or all) and the text of the screen's filter field.
class SimulinkVariableFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    enum FilterType {
        Important = 0,
        Normal = 1,
        AllSignals = 2,
    };
    Q_ENUM(FilterType)

    explicit SimulinkVariableFilterProxyModel(QObject *parent = nullptr);

    // "important", "normal", anything else: all.
    Q_INVOKABLE void setFilterType(const QString &filter);
    Q_INVOKABLE void setFilterType(SimulinkVariableFilterProxyModel::FilterType filter);
    FilterType filterType() const { return m_filterType; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    FilterType m_filterType = Important;
};
