#include "IRobotManager.h"

#include "QmlFuture.h"

#include <QJSEngine>

QJSValue IRobotManager::connect(const QUrl &url)
{
    QJSEngine *engine = qjsEngine(this);
    if (!engine)
        return {};
    QFuture<QmlSharedPointer *> wrapped =
        connectCpp(url).then([engine = QPointer<QJSEngine>(engine)](std::shared_ptr<IRobotConnection> connection) {
            // Without its engine the holder would have no owner.
            if (!connection || !engine)
                return static_cast<QmlSharedPointer *>(nullptr);
            return static_cast<QmlSharedPointer *>(
                QmlSharedPointer::create(engine.data(), std::static_pointer_cast<QObject>(connection)));
        });
    return QmlFuture<QmlSharedPointer *>::toPromise(engine, std::move(wrapped));
}

QmlSharedPointer *IRobotManager::getConnection(const QString &serial)
{
    return wrap(getConnectionAtCpp(indexOf(serial)));
}

QmlSharedPointer *IRobotManager::getConnectionAt(int index)
{
    return wrap(getConnectionAtCpp(index));
}

void IRobotManager::makeActiveConnection(const QString &serial)
{
    int index = indexOf(serial);
    if (index < 0 || index >= size())
        index = -1;
    setActiveIndex(index);
}

QmlSharedPointer *IRobotManager::activeConnection()
{
    if (m_activeIndex < 0 || m_activeIndex >= size())
        return nullptr;
    return wrap(getConnectionAtCpp(m_activeIndex));
}

int IRobotManager::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : size();
}

QVariant IRobotManager::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.column() < 0 || index.row() >= size())
        return {};
    const std::shared_ptr<IRobotConnection> connection = getConnectionAtCpp(index.row());
    if (!connection)
        return {};
    switch (role) {
    case ConnectionRole:
        return QVariant::fromValue(static_cast<QObject *>(wrap(connection)));
    case NameRole:
    case Qt::DisplayRole:
        return connection->name();
    case SerialRole:
    case Qt::ToolTipRole:
        return connection->serial();
    default:
        return {};
    }
}

QHash<int, QByteArray> IRobotManager::roleNames() const
{
    return {
        {ConnectionRole, "connection"}, {NameRole, "name"},           {SerialRole, "serial"},
        {Qt::DisplayRole, "display"},   {Qt::ToolTipRole, "tooltip"},
    };
}

void IRobotManager::setActiveIndex(int index)
{
    if (index == m_activeIndex)
        return;
    m_activeIndex = index;
    emit activeConnectionChanged();
}

QmlSharedPointer *IRobotManager::wrap(std::shared_ptr<IRobotConnection> connection) const
{
    if (!connection)
        return nullptr;
    return static_cast<QmlSharedPointer *>(
        QmlSharedPointer::create(qjsEngine(this), std::static_pointer_cast<QObject>(std::move(connection))));
}
