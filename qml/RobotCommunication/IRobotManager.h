#pragma once

#include "IRobotConnection.h"
#include "QmlSharedPointer.h"

#include <QAbstractListModel>
#include <QFuture>
#include <QJSValue>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include <memory>

// The open robot connections as a list model for QML, one of them marked active.
// Connections reach QML inside QmlSharedPointer holders, so that a connection lives as
// long as QML refers to it, even after it left the list.
class IRobotManager : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("IRobotManager is an abstract class")
    Q_PROPERTY(int size READ size NOTIFY sizeChanged FINAL)
    Q_PROPERTY(QmlSharedPointer *activeConnection READ activeConnection NOTIFY activeConnectionChanged FINAL)

public:
    enum Role {
        ConnectionRole = Qt::UserRole + 1,
        NameRole,
        SerialRole,
    };

    using QAbstractListModel::QAbstractListModel;

    // The attempt as a promise: the wrapped connection once it is connected and listed,
    // or an error ("Robot connection failed").
    Q_INVOKABLE QJSValue connect(const QUrl &url);
    // New holders of the connection with this serial, or at this row; null for none.
    Q_INVOKABLE QmlSharedPointer *getConnection(const QString &serial);
    Q_INVOKABLE QmlSharedPointer *getConnectionAt(int index);
    Q_INVOKABLE virtual int indexOf(const QString &serial) const = 0;
    Q_INVOKABLE void makeActiveConnection(const QString &serial);

    virtual QFuture<std::shared_ptr<IRobotConnection>> connectCpp(const QUrl &url) = 0;
    virtual std::shared_ptr<IRobotConnection> getConnectionAtCpp(int index) const = 0;
    virtual int size() const = 0;

    // A new holder of the active connection on every read; null when none is active.
    QmlSharedPointer *activeConnection();
    int activeIndex() const { return m_activeIndex; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    void sizeChanged();
    void connectionAdded(const QString &serial, std::shared_ptr<IRobotConnection> connection);
    void connectionRemoved(const QString &serial);
    void activeConnectionChanged();

protected:
    // Stores the active row and says so when it changed.
    void setActiveIndex(int index);
    // Moves the active row without a signal: the same connection stays active at
    // another row.
    void shiftActiveIndex(int index) { m_activeIndex = index; }
    // A holder for QML, owned by this model's JavaScript engine when it has one.
    QmlSharedPointer *wrap(std::shared_ptr<IRobotConnection> connection) const;

private:
    int m_activeIndex = -1;
};
