#pragma once

#include "SimulinkDataTypes.h"

#include <QAbstractListModel>

#include <vector>

namespace monitoring {
class Interface;
}

// One kind of the monitored model's variables for the Workspace's list: signals
// (with root inputs and outputs and bus elements), block parameters or model
// parameters. It keeps indexes into the interface's variable list, rebuilt when the
// interface announces a new list or drops it.
class SimulinkVariableModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Roles {
        PathNameRole = Qt::DisplayRole,
        VariableRole = Qt::UserRole,
        ParentPathRole = Qt::UserRole + 1,
    };

    SimulinkVariableModel(QObject *parent, monitoring::Interface *interface,
                          SimulinkDataTypes::VariableType visibleType);

    // Shows another kind; false when it is the kind shown already.
    bool setVariableType(SimulinkDataTypes::VariableType type);
    SimulinkDataTypes::VariableType variableType() const { return m_visibleType; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

public slots:
    void reloadModel();

private:
    const std::vector<uint32_t> *visibleList() const;
    void rebuild();

    SimulinkDataTypes::VariableType m_visibleType;
    bool m_built = false;
    monitoring::Interface *m_interface;
    std::vector<uint32_t> m_signals;
    std::vector<uint32_t> m_modelParameters;
    std::vector<uint32_t> m_blockParameters;
};
