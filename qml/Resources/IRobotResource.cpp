#include "IRobotResource.h"

#include "JsonReaders.h"
#include "RobotResourceDate.h"

#include <QJsonValue>

namespace {

const QLatin1String idKey("id");
const QLatin1String groupKey("group_id");
const QLatin1String nameKey("name");
const QLatin1String creationDateKey("creation_date");

} // namespace

IRobotResource::IRobotResource(RobotResourceType::ResourceType type, const QString &name, const QUuid &uuid,
                               const QUuid &group, const QDateTime &creationDate, QObject *parent)
    : IRobotResourceOwner(parent)
    , m_uuid(uuid)
    , m_group(group)
    , m_creationDate(creationDate)
    , m_name(name)
    , m_resourceType(type)
{
}

IRobotResource::~IRobotResource() = default;

void IRobotResource::setName(const QString &name)
{
    if (name == m_name)
        return;
    m_name = name;
    emit nameChanged();
}

bool IRobotResource::fullyResolved() const
{
    return resolved();
}

QList<RobotResourceId> IRobotResource::resources() const
{
    return {resourceId()};
}

QList<RobotResourceId> IRobotResource::unresolvedResources() const
{
    if (resolved())
        return {};
    return {resourceId()};
}

void IRobotResource::updateResourceId(const RobotResourceId &, const RobotResourceId &) {}

void IRobotResource::resolveResource(const RobotResourceId &, ostrel::shared_qptr<QObject>) {}

RobotResourceId IRobotResource::resourceId() const
{
    return {m_resourceType, m_uuid};
}

bool IRobotResource::resolved() const
{
    return true;
}

void IRobotResource::fromJson(const JsonContext &context, const QJsonObject &json)
{
    JsonContext readerContext = context;
    const QUuid uuid = ::fromJson<QUuid>(readerContext, json.value(idKey));
    // A resource without a group says so with null; it keeps the null UUID, so that
    // writing it back tells the robot the same.
    const QJsonValue groupValue = json.value(groupKey);
    const QUuid group = groupValue.isNull() ? QUuid() : ::fromJson<QUuid>(readerContext, groupValue);
    const QDateTime creationDate = parseRobotResourceDate(::fromJson<QString>(readerContext,
                                                                              json.value(creationDateKey)));
    const QString name = ::fromJson<QString>(readerContext, json.value(nameKey));

    if (uuid != m_uuid) {
        m_uuid = uuid;
        emit uuidChanged();
    }
    if (group != m_group) {
        m_group = group;
        emit groupChanged();
    }
    if (creationDate != m_creationDate) {
        m_creationDate = creationDate;
        emit creationDateChanged();
    }
    if (name != m_name) {
        m_name = name;
        emit nameChanged();
    }
}

void IRobotResource::toJson(const JsonContext &, QJsonObject &json) const
{
    json.insert(idKey, m_uuid.toString(QUuid::WithBraces));
    json.insert(groupKey,
                m_group.isNull() ? QJsonValue(QJsonValue::Null) : QJsonValue(m_group.toString(QUuid::WithBraces)));
    json.insert(nameKey, m_name);
    json.insert(creationDateKey, m_creationDate.toUTC().toString(Qt::ISODateWithMs));
}
