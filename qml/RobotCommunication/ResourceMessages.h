#pragma once

#include "GenericResponse.h"
#include "JsonContext.h"

#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QUuid>

// The requests and responses of the services through which a robot's information
// manager stores its resources. A resource travels as JSON text in a string field
// named "json"; UUIDs go out in braced lower-case text.
namespace RobotMessages {

// What a message found in its "json" text field. A robot that reports success must
// send usable text there; the interfaces check it once the success flag is known, so a
// failed call still reports the robot's own message.
struct EmbeddedJson
{
    enum class Problem { None, Missing, NotText, NotJson, WrongKind };

    Problem problem = Problem::None;
    QJsonValue::Type found = QJsonValue::Undefined; // the type of the field or of the parsed text
    QJsonValue::Type expected = QJsonValue::Object;

    // Parses field (the value of "json") and returns the parsed value when it is of
    // the expected kind, else an undefined value with the problem noted.
    static QJsonValue read(const QJsonValue &field, QJsonValue::Type expected, EmbeddedJson *state);
    // Throws JsonUndefinedException or JsonInvalidTypeException for a problem.
    void check() const;
};

struct GetResourceRequest
{
    Q_GADGET
    Q_PROPERTY(QUuid uuid MEMBER uuid)

public:
    QUuid uuid;

    QJsonObject toJson(JsonContext &context) const;
};

struct GetResourceResponse
{
    Q_GADGET
    Q_PROPERTY(QJsonObject json MEMBER json)
    Q_PROPERTY(RobotMessages::GenericResponse result MEMBER result)

public:
    QJsonObject json;
    GenericResponse result;
    EmbeddedJson jsonState;

    static GetResourceResponse fromJson(JsonContext &context, const QJsonValue &value);
};

struct SetResourceRequest
{
    Q_GADGET
    Q_PROPERTY(QJsonObject json MEMBER json)

public:
    QJsonObject json;

    QJsonObject toJson(JsonContext &context) const;
};

struct SetResourceResponse
{
    Q_GADGET
    Q_PROPERTY(QUuid uuid MEMBER uuid)

public:
    GenericResponse result;
    QUuid uuid;

    static SetResourceResponse fromJson(JsonContext &context, const QJsonValue &value);
};

struct UpdateResourceRequest
{
    Q_GADGET
    Q_PROPERTY(QJsonObject json MEMBER json)

public:
    QJsonObject json;

    QJsonObject toJson(JsonContext &context) const;
};

struct UpdateResourceResponse
{
    Q_GADGET
    Q_PROPERTY(QUuid uuid MEMBER uuid)
    Q_PROPERTY(RobotMessages::GenericResponse result MEMBER result)

public:
    GenericResponse result;
    QUuid uuid;

    static UpdateResourceResponse fromJson(JsonContext &context, const QJsonValue &value);
};

struct DeleteResourceRequest
{
    Q_GADGET
    Q_PROPERTY(QUuid uuid MEMBER uuid)

public:
    QUuid uuid;

    QJsonObject toJson(JsonContext &context) const;
};

struct DeleteResourceResponse
{
    Q_GADGET
    Q_PROPERTY(RobotMessages::GenericResponse result MEMBER result)

public:
    GenericResponse result;

    static DeleteResourceResponse fromJson(JsonContext &context, const QJsonValue &value);
};

// Lists one group's resources, or all of them when the group is null.
struct ListResourcesRequest
{
    Q_GADGET
    Q_PROPERTY(QUuid group MEMBER group)

public:
    QUuid group;

    QJsonObject toJson(JsonContext &context) const;
};

// {"name", "id", "group_id" (null for none), "creation_date"}.
struct ListResourcesEntry
{
    Q_GADGET
    Q_PROPERTY(QString name MEMBER name)
    Q_PROPERTY(QUuid uuid MEMBER uuid)
    Q_PROPERTY(QUuid group MEMBER group)
    Q_PROPERTY(QDateTime created_date MEMBER created_date)

public:
    QString name;
    QUuid uuid;
    QUuid group;
    QDateTime created_date;

    static ListResourcesEntry fromJson(JsonContext &context, const QJsonValue &value);
};

struct ListResourcesResponse
{
    Q_GADGET
    Q_PROPERTY(QList<RobotMessages::ListResourcesEntry> resources MEMBER resources CONSTANT)
    Q_PROPERTY(RobotMessages::GenericResponse result MEMBER result)

public:
    GenericResponse result;
    QList<ListResourcesEntry> resources;
    EmbeddedJson jsonState;

    static ListResourcesResponse fromJson(JsonContext &context, const QJsonValue &value);
};

} // namespace RobotMessages

Q_DECLARE_METATYPE(RobotMessages::GetResourceRequest)
Q_DECLARE_METATYPE(RobotMessages::GetResourceResponse)
Q_DECLARE_METATYPE(RobotMessages::SetResourceRequest)
Q_DECLARE_METATYPE(RobotMessages::SetResourceResponse)
Q_DECLARE_METATYPE(RobotMessages::UpdateResourceRequest)
Q_DECLARE_METATYPE(RobotMessages::UpdateResourceResponse)
Q_DECLARE_METATYPE(RobotMessages::DeleteResourceRequest)
Q_DECLARE_METATYPE(RobotMessages::DeleteResourceResponse)
Q_DECLARE_METATYPE(RobotMessages::ListResourcesRequest)
Q_DECLARE_METATYPE(RobotMessages::ListResourcesEntry)
Q_DECLARE_METATYPE(RobotMessages::ListResourcesResponse)
