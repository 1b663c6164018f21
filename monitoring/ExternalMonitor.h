#pragma once

#include "AbstractExternalMonitor.h"
#include "SimulinkDataTypes.h"

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QVariant>

class QSettings;
class SimulinkVariableFilterProxyModel;
class SimulinkVariableModel;
class plotContainer;

namespace SimulinkDataTypes {
class SimulinkSignal;
class SimulinkVariable;
} // namespace SimulinkDataTypes

namespace monitoring {
class Interface;
}

Q_MOC_INCLUDE("SimulinkVariable.h")
Q_MOC_INCLUDE("SimulinkSignal.h")
Q_MOC_INCLUDE("SimulinkVariableFilterProxyModel.h")
Q_MOC_INCLUDE("plotContainer.h")

// The monitoring workspace's object: the interface to the board's running model, the
// variable lists of the screen, the four charts, and the signals the user plotted,
// which it puts back whenever the same build of the application is monitored again.
class ExternalMonitor : public AbstractExternalMonitor
{
    Q_OBJECT
    Q_PROPERTY(QList<SimulinkDataTypes::SimulinkVariable *> simulinkVariables READ simulinkVariables NOTIFY
                   simulinkVariablesChanged)
    Q_PROPERTY(SimulinkVariableFilterProxyModel *filteredModel READ filteredModel NOTIFY filteredModelReady)
    Q_PROPERTY(
        QList<plotContainer *> plotContainers READ plotContainers WRITE setPlotContainers NOTIFY plotContainersChanged)
    Q_PROPERTY(bool initialized READ initialized NOTIFY initializedChanged)
    Q_PROPERTY(QString settingsCategory READ settingsCategory CONSTANT)

public:
    static constexpr int PlotContainerCount = 4;
    static constexpr int SlotsPerContainer = 4;

    // settings: where the selection is stored; null: the application's settings.
    ExternalMonitor(QObject *parent, DatalinkManager *packetRouter, const QByteArray *buildID = nullptr,
                    QSettings *settings = nullptr);
    ~ExternalMonitor() override;

    monitoring::Interface *interface() const { return m_interface; }
    QList<SimulinkDataTypes::SimulinkVariable *> simulinkVariables() const;
    SimulinkVariableFilterProxyModel *filteredModel() const { return m_filteredModel; }
    SimulinkVariableModel *variableModel() const { return m_variableModel; }
    QList<plotContainer *> plotContainers() const { return m_plotContainers; }
    void setPlotContainers(const QList<plotContainer *> &containers);
    bool initialized() const;
    QString settingsCategory() const { return QStringLiteral("Monitoring_Signal_Selections"); }
    QByteArray buildID() const { return m_buildID; }

    Q_INVOKABLE void getListLength();
    Q_INVOKABLE void changeVisibleType(uint type);
    Q_INVOKABLE void restoreFromSettings();
    Q_INVOKABLE SimulinkDataTypes::SimulinkSignal *signalFromPath(const QVariant &path);

public slots:
    void start() override;
    void reset() override;
    void setCurrentBuildID(QByteArray buildID) override;

signals:
    void simulinkVariablesChanged();
    void initializedChanged();
    void plotContainersChanged();
    void filteredModelReady();
    void buildIDChanged();
    void signalToRestore(int plotContainerIndex, QVariant path, QPoint elementIndex, int slotIndex);

private slots:
    void initializePlotContainers();
    void restoreSignalPlot(int plotContainerIndex, const QVariant &path, QPoint elementIndex, int slotIndex);

private:
    // Takes the containers out of the list and deletes them once nothing uses them.
    void dropPlotContainers();
    QString key(const QString &name) const { return settingsCategory() + '/' + name; }

    monitoring::Interface *m_interface;
    SimulinkVariableModel *m_variableModel = nullptr;
    SimulinkVariableFilterProxyModel *m_filteredModel;
    QList<plotContainer *> m_plotContainers;
    QSettings *m_settings;
    QByteArray m_buildID;
};
