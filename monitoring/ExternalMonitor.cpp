#include "ExternalMonitor.h"

#include "Interface.h"
#include "SimulinkParameter.h"
#include "SimulinkSignal.h"
#include "SimulinkVariableFilterProxyModel.h"
#include "SimulinkVariableModel.h"
#include "plotContainer.h"

#include <QJSEngine>
#include <QLoggingCategory>
#include <QMap>
#include <QSettings>

Q_LOGGING_CATEGORY(lcExternalMonitor, "Monitoring.ExternalMonitor")

using SimulinkDataTypes::SimulinkParameter;
using SimulinkDataTypes::SimulinkSignal;
using SimulinkDataTypes::SimulinkVariable;

using SimulinkSignalMap = QMap<uint16_t, SimulinkSignal *>;
using SimulinkParameterMap = QMap<uint16_t, SimulinkParameter *>;

ExternalMonitor::ExternalMonitor(QObject *parent, DatalinkManager *packetRouter, const QByteArray *buildID,
                                 QSettings *settings)
    : AbstractExternalMonitor(parent)
    , m_interface(new monitoring::Interface(this, packetRouter))
    , m_filteredModel(new SimulinkVariableFilterProxyModel(this))
    , m_settings(settings ? settings : new QSettings(this))
{
    m_filteredModel->setFilterType(SimulinkVariableFilterProxyModel::Important);
    m_filteredModel->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_filteredModel->setFilterRole(Qt::DisplayRole);
    if (buildID)
        m_buildID = *buildID;

    qRegisterMetaType<SimulinkDataTypes::VariableType>("VariableType");
    qRegisterMetaType<SimulinkSignalMap>("SimulinkSignalMap");
    qRegisterMetaType<SimulinkParameterMap>("SimulinkParameterMap");
    qRegisterMetaType<QList<SimulinkParameter *>>("QVector<SimulinkDataTypes::SimulinkParameter *>");
    qRegisterMetaType<QList<uint16_t>>("QVector<uint16_t>");
    qRegisterMetaType<SimulinkVariableFilterProxyModel *>("SimulinkVariableFilterProxyModel");

    // The order matters: the charts are rebuilt and restored first, then QML hears of
    // the list, then the variable model rebuilds its rows.
    connect(m_interface, &monitoring::Interface::initializedChanged, this, &ExternalMonitor::initializedChanged);
    connect(m_interface, &monitoring::Interface::simulinkVariablesChanged, this,
            &ExternalMonitor::initializePlotContainers);
    connect(m_interface, &monitoring::Interface::simulinkVariablesChanged, this,
            &ExternalMonitor::simulinkVariablesChanged);
    // Once, here: connected at every start, each stored slot would be restored as
    // often as the board confirmed the service open.
    connect(this, &ExternalMonitor::signalToRestore, this, &ExternalMonitor::restoreSignalPlot);
    m_variableModel = new SimulinkVariableModel(this, m_interface, SimulinkDataTypes::Signal);
    m_filteredModel->setSourceModel(m_variableModel);
}

ExternalMonitor::~ExternalMonitor()
{
    // The containers unsubscribe through guarded pointers; the variables are detached
    // by the interface before it drops its tree.
    qDeleteAll(std::exchange(m_plotContainers, {}));
}

QList<SimulinkVariable *> ExternalMonitor::simulinkVariables() const
{
    return m_interface->simulinkVariables();
}

void ExternalMonitor::setPlotContainers(const QList<plotContainer *> &containers)
{
    if (containers == m_plotContainers)
        return;
    m_plotContainers = containers;
    emit plotContainersChanged();
}

bool ExternalMonitor::initialized() const
{
    return m_interface->isInitialized();
}

void ExternalMonitor::getListLength()
{
    qCDebug(lcExternalMonitor) << "amount of simulinkVariables = " << m_interface->simulinkVariables().size();
}

void ExternalMonitor::changeVisibleType(uint type)
{
    if (type == 1)
        m_variableModel->setVariableType(SimulinkDataTypes::ModelParameter);
    else if (type == 2)
        m_variableModel->setVariableType(SimulinkDataTypes::BlockParameter);
    else
        m_variableModel->setVariableType(SimulinkDataTypes::Signal);
}

void ExternalMonitor::start()
{
    m_interface->start();
    emit filteredModelReady();
}

void ExternalMonitor::reset()
{
    m_interface->reset();
    dropPlotContainers();
    emit plotContainersChanged();
}

void ExternalMonitor::setCurrentBuildID(QByteArray buildID)
{
    m_buildID = std::move(buildID);
    emit buildIDChanged();
}

void ExternalMonitor::initializePlotContainers()
{
    dropPlotContainers();
    emit plotContainersChanged();
    for (int i = 0; i < PlotContainerCount; ++i)
        m_plotContainers << new plotContainer(this);
    restoreFromSettings();
    emit plotContainersChanged();
}

void ExternalMonitor::restoreFromSettings()
{
    // Until the board has named its build, whose selection this is cannot be told:
    // the stored one is neither cleared nor restored.
    if (m_buildID.isEmpty()) {
        qCDebug(lcExternalMonitor) << "no build ID yet: stored signal selection left alone";
        return;
    }
    const QVariant stored = m_settings->value(key(QStringLiteral("lastMonitoredBuildID")));
    if (!stored.isValid() || stored.toByteArray() != m_buildID) {
        m_settings->remove(settingsCategory());
        qCDebug(lcExternalMonitor) << "clearing stored signal selection";
        m_settings->setValue(key(QStringLiteral("lastMonitoredBuildID")), m_buildID);
        qCDebug(lcExternalMonitor) << "reset last monitored buildID" << m_buildID;
        return;
    }
    for (int p = 0; p < PlotContainerCount; ++p) {
        for (int s = 0; s < SlotsPerContainer; ++s) {
            const QString slot = QStringLiteral("%1-%2").arg(p).arg(s);
            const QVariant path = m_settings->value(key(QStringLiteral("SigPath") + slot));
            const QVariant element = m_settings->value(key(QStringLiteral("ElementIndex") + slot));
            if (path.isValid() && !path.toString().isEmpty())
                emit signalToRestore(p, path, element.toPoint(), s);
        }
    }
}

SimulinkSignal *ExternalMonitor::signalFromPath(const QVariant &path)
{
    for (SimulinkVariable *variable : m_interface->simulinkVariables()) {
        if (!variable || QVariant(variable->path()) != path)
            continue;
        auto *signal = qobject_cast<SimulinkSignal *>(variable);
        if (signal)
            QJSEngine::setObjectOwnership(signal, QJSEngine::CppOwnership);
        return signal;
    }
    return nullptr;
}

void ExternalMonitor::restoreSignalPlot(int plotContainerIndex, const QVariant &path, QPoint elementIndex,
                                        int slotIndex)
{
    if (plotContainerIndex < 0 || plotContainerIndex >= m_plotContainers.size())
        return;
    if (SimulinkSignal *signal = signalFromPath(path))
        m_plotContainers[plotContainerIndex]->addSignal(signal, elementIndex, slotIndex);
}

void ExternalMonitor::dropPlotContainers()
{
    for (plotContainer *container : std::exchange(m_plotContainers, {}))
        container->deleteLater();
}
