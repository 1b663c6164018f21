#pragma once

#include "IRobotManager.h"

#include <QPointer>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <memory>
#include <vector>

class QJSEngine;

// The robot connections QML opens, as a singleton list: a connection is listed once
// its first attempt succeeded and leaves the list the first time it is seen closed.
// The first connection listed into an empty list becomes the active one.
class RobotManager : public IRobotManager
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    // Makes a new, unconnected connection for the engine (which may be null).
    using ConnectionFactory = std::function<std::shared_ptr<IRobotConnection>(QJSEngine *)>;

    explicit RobotManager(QObject *parent = nullptr);
    // For tests that bring their own connections.
    explicit RobotManager(ConnectionFactory factory, QObject *parent = nullptr);
    ~RobotManager() override;

    static std::shared_ptr<IRobotConnection> createConnection(QJSEngine *engine);

    QFuture<std::shared_ptr<IRobotConnection>> connectCpp(const QUrl &url) override;
    std::shared_ptr<IRobotConnection> getConnectionAtCpp(int index) const override;
    int size() const override;
    int indexOf(const QString &serial) const override;

    // Opens ws://<hostname>:9090.
    Q_INVOKABLE QJSValue connectToHost(const QString &hostname);

private:
    std::shared_ptr<IRobotConnection> addConnection(bool connected, std::shared_ptr<IRobotConnection> connection);
    void onConnectionStatusChanged(const std::weak_ptr<IRobotConnection> &watched);

    ConnectionFactory m_connectionFactory;
    std::vector<std::shared_ptr<IRobotConnection>> m_connections;
};
