#pragma once

#include "RobotResourceId.h"

#include "QObjectDeleter.h"
#include "SmartPointerMetaTypes.h"

#include <QList>
#include <QObject>

// An object that refers to robot resources by identity and has those references
// resolved to objects later:
// 1. resources() names every resource it depends on (a resource lists itself first),
//    unresolvedResources() those whose objects it does not hold yet;
// 2. whoever holds the objects calls resolveResource with an id it named and the object
//    (ids it does not refer to are ignored);
// 3. when a referenced resource's UUID changes, updateResourceId swaps the old id for
//    the new one;
// 4. fullyResolved is true once it holds objects for all references and each of them
//    is itself fully resolved; fullyResolvedChanged tells when that changes.
class IRobotResourceOwner : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool fullyResolved READ fullyResolved NOTIFY fullyResolvedChanged FINAL)

public:
    explicit IRobotResourceOwner(QObject *parent = nullptr);
    ~IRobotResourceOwner() override;

    virtual bool fullyResolved() const = 0;
    Q_INVOKABLE virtual QList<RobotResourceId> resources() const = 0;
    Q_INVOKABLE virtual QList<RobotResourceId> unresolvedResources() const = 0;
    virtual void updateResourceId(const RobotResourceId &oldId, const RobotResourceId &newId) = 0;

public slots:
    virtual void resolveResource(const RobotResourceId &resourceId, ostrel::shared_qptr<QObject> resource) = 0;

signals:
    void fullyResolvedChanged();
};
