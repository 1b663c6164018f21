#include "RobotManager.h"

#include "QObjectDeleter.h"
#include "RobotConnection.h"
#include "RobotServiceExceptions.h"

#include <QJSEngine>

#include <algorithm>

RobotManager::RobotManager(QObject *parent)
    : RobotManager(&RobotManager::createConnection, parent)
{
}

RobotManager::RobotManager(ConnectionFactory factory, QObject *parent)
    : IRobotManager(parent)
    , m_connectionFactory(std::move(factory))
{
}

RobotManager::~RobotManager() = default;

std::shared_ptr<IRobotConnection> RobotManager::createConnection(QJSEngine *engine)
{
    std::shared_ptr<IRobotConnection> connection(new RobotConnection(), ostrel::QObjectDeleter());
    if (engine)
        QJSEngine::setObjectOwnership(connection.get(), QJSEngine::CppOwnership);
    return connection;
}

QFuture<std::shared_ptr<IRobotConnection>> RobotManager::connectCpp(const QUrl &url)
{
    std::shared_ptr<IRobotConnection> connection = m_connectionFactory(qjsEngine(this));
    // The step runs where the attempt finishes; a manager that has gone by then lists
    // nothing, and the caller still gets the connection it asked for.
    return connection->connectCpp(url).then([manager = QPointer<RobotManager>(this), connection](bool connected) {
        if (!manager) {
            if (!connected)
                throw RobotConnectionFailedException();
            return connection;
        }
        return manager->addConnection(connected, connection);
    });
}

std::shared_ptr<IRobotConnection> RobotManager::addConnection(bool connected,
                                                              std::shared_ptr<IRobotConnection> connection)
{
    if (!connected)
        throw RobotConnectionFailedException();

    const int row = size();
    beginInsertRows(QModelIndex(), row, row);
    // Queued: the row goes in a later turn, after everyone else saw the status change.
    // The watch holds the connection weakly and ends with this manager.
    QObject::connect(
        connection.get(), &IRobotConnection::connectionStatusChanged, this,
        [this, watched = std::weak_ptr<IRobotConnection>(connection)] { onConnectionStatusChanged(watched); },
        Qt::QueuedConnection);
    m_connections.push_back(connection);
    emit sizeChanged();
    endInsertRows();
    emit connectionAdded(connection->serial(), connection);

    if (size() == 1)
        setActiveIndex(0);
    return connection;
}

void RobotManager::onConnectionStatusChanged(const std::weak_ptr<IRobotConnection> &watched)
{
    const std::shared_ptr<IRobotConnection> connection = watched.lock();
    if (!connection)
        return;
    const auto found = std::find(m_connections.begin(), m_connections.end(), connection);
    if (found == m_connections.end())
        return;
    if (connection->status() != RobotConnectionStatus::Closed)
        return;

    const int row = int(found - m_connections.begin());
    if (row == activeIndex())
        setActiveIndex(-1);

    QObject::disconnect(connection.get(), &IRobotConnection::connectionStatusChanged, this, nullptr);
    beginRemoveRows(QModelIndex(), row, row);
    m_connections.erase(found);
    // The active connection stays the same robot: a row before it moves it up by one.
    if (row < activeIndex())
        shiftActiveIndex(activeIndex() - 1);
    emit sizeChanged();
    endRemoveRows();
    emit connectionRemoved(connection->serial());
}

std::shared_ptr<IRobotConnection> RobotManager::getConnectionAtCpp(int index) const
{
    if (index < 0 || index >= size())
        return {};
    return m_connections[std::size_t(index)];
}

int RobotManager::size() const
{
    return int(m_connections.size());
}

int RobotManager::indexOf(const QString &serial) const
{
    for (std::size_t row = 0; row < m_connections.size(); ++row) {
        if (m_connections[row]->serial() == serial)
            return int(row);
    }
    return -1;
}

QJSValue RobotManager::connectToHost(const QString &hostname)
{
    QUrl url;
    url.setHost(hostname, QUrl::DecodedMode);
    url.setScheme(QStringLiteral("ws"));
    return connect(url);
}
