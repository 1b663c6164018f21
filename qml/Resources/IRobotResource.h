#pragma once

#include "IRobotResourceOwner.h"
#include "JsonContext.h"
#include "RobotResourceType.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QUuid>

// A resource of a robot (a path, a job, a map, ...): its identity, group, name and
// creation time, and its JSON form:
//   {"id": "{uuid}", "group_id": "{uuid}" or null, "name": ..., "creation_date": ISO 8601
//    in UTC with milliseconds}
// Subclasses fix the kind and add their own keys.
class IRobotResource : public IRobotResourceOwner
{
    Q_OBJECT
    Q_PROPERTY(QUuid uuid READ uuid NOTIFY uuidChanged FINAL)
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged FINAL)
    Q_PROPERTY(QUuid group READ group CONSTANT FINAL)
    Q_PROPERTY(QDateTime creation_date READ creationDate CONSTANT FINAL)
    Q_PROPERTY(RobotResourceType::ResourceType resourceType READ resourceType CONSTANT FINAL)
    Q_PROPERTY(bool resolved READ resolved NOTIFY resolvedChanged FINAL)

public:
    ~IRobotResource() override;

    QUuid uuid() const { return m_uuid; }
    QUuid group() const { return m_group; }
    QDateTime creationDate() const { return m_creationDate; }
    QString name() const { return m_name; }
    RobotResourceType::ResourceType resourceType() const { return m_resourceType; }
    void setName(const QString &name);

    bool fullyResolved() const override;
    QList<RobotResourceId> resources() const override;
    QList<RobotResourceId> unresolvedResources() const override;
    void updateResourceId(const RobotResourceId &oldId, const RobotResourceId &newId) override;
    void resolveResource(const RobotResourceId &resourceId, ostrel::shared_qptr<QObject> resource) override;

    virtual RobotResourceId resourceId() const;
    virtual bool resolved() const;
    // Reads the common keys. Every value is read before anything changes, so a
    // JsonException leaves the resource as it was.
    virtual void fromJson(const JsonContext &context, const QJsonObject &json);
    // Sets the common keys on json, leaving its other keys alone.
    virtual void toJson(const JsonContext &context, QJsonObject &json) const;

signals:
    void uuidChanged();
    void nameChanged();
    void groupChanged();
    void creationDateChanged();
    void resolvedChanged();

protected:
    IRobotResource(RobotResourceType::ResourceType type, const QString &name, const QUuid &uuid, const QUuid &group,
                   const QDateTime &creationDate, QObject *parent);

private:
    QUuid m_uuid;
    QUuid m_group;
    QDateTime m_creationDate;
    QString m_name;
    RobotResourceType::ResourceType m_resourceType;
};
