#include "ResourceMessages.h"

#include "JsonException.h"
#include "JsonReaders.h"
#include "RobotResourceDate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace RobotMessages {

namespace {

const QLatin1String jsonKey("json");
const QLatin1String resultKey("result");
const QLatin1String uuidKey("uuid");

QString compactText(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString bracedText(const QUuid &uuid)
{
    return uuid.toString(QUuid::WithBraces);
}

// The "result" of a resource response, read before anything that depends on it.
GenericResponse readResult(JsonContext &context, const QJsonObject &object)
{
    return GenericResponse::fromJson(context, object.value(resultKey));
}

} // namespace

QJsonValue EmbeddedJson::read(const QJsonValue &field, QJsonValue::Type expected, EmbeddedJson *state)
{
    *state = EmbeddedJson();
    state->expected = expected;
    state->found = field.type();
    if (field.isUndefined()) {
        state->problem = Problem::Missing;
        return QJsonValue(QJsonValue::Undefined);
    }
    if (!field.isString()) {
        state->problem = Problem::NotText;
        return QJsonValue(QJsonValue::Undefined);
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(field.toString().toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || document.isNull()) {
        state->problem = Problem::NotJson;
        return QJsonValue(QJsonValue::Undefined);
    }
    state->found = document.isArray() ? QJsonValue::Array : QJsonValue::Object;
    if (state->found != expected) {
        state->problem = Problem::WrongKind;
        return QJsonValue(QJsonValue::Undefined);
    }
    if (document.isArray())
        return document.array();
    return document.object();
}

void EmbeddedJson::check() const
{
    switch (problem) {
    case Problem::None:
        return;
    case Problem::Missing:
        throw JsonUndefinedException();
    case Problem::NotText:
        throw JsonInvalidTypeException(jsonKey, found, QJsonValue::String);
    case Problem::NotJson:
        throw JsonInvalidTypeException(expected == QJsonValue::Array ? QStringLiteral("JSON array text")
                                                                     : QStringLiteral("JSON object text"));
    case Problem::WrongKind:
        throw JsonInvalidTypeException(jsonKey, found, expected);
    }
}

QJsonObject GetResourceRequest::toJson(JsonContext &) const
{
    return {{uuidKey, bracedText(uuid)}};
}

GetResourceResponse GetResourceResponse::fromJson(JsonContext &context, const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    GetResourceResponse response;
    response.json = EmbeddedJson::read(object.value(jsonKey), QJsonValue::Object, &response.jsonState).toObject();
    response.result = readResult(context, object);
    return response;
}

QJsonObject SetResourceRequest::toJson(JsonContext &) const
{
    return {{jsonKey, compactText(json)}};
}

SetResourceResponse SetResourceResponse::fromJson(JsonContext &context, const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    SetResourceResponse response;
    response.result = readResult(context, object);
    response.uuid = ::fromJson<QUuid>(context, object.value(uuidKey));
    return response;
}

QJsonObject UpdateResourceRequest::toJson(JsonContext &) const
{
    return {{jsonKey, compactText(json)}};
}

UpdateResourceResponse UpdateResourceResponse::fromJson(JsonContext &context, const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    UpdateResourceResponse response;
    response.result = readResult(context, object);
    response.uuid = ::fromJson<QUuid>(context, object.value(uuidKey));
    return response;
}

QJsonObject DeleteResourceRequest::toJson(JsonContext &) const
{
    return {{uuidKey, bracedText(uuid)}};
}

DeleteResourceResponse DeleteResourceResponse::fromJson(JsonContext &context, const QJsonValue &value)
{
    DeleteResourceResponse response;
    response.result = readResult(context, value.toObject());
    return response;
}

QJsonObject ListResourcesRequest::toJson(JsonContext &) const
{
    if (group.isNull())
        return {};
    return {{QLatin1String("group"), bracedText(group)}};
}

ListResourcesEntry ListResourcesEntry::fromJson(JsonContext &context, const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    ListResourcesEntry entry;
    const QJsonValue group = object.value(QLatin1String("group_id"));
    entry.group = group.isNull() ? QUuid() : ::fromJson<QUuid>(context, group);
    entry.name = ::fromJson<QString>(context, object.value(QLatin1String("name")));
    entry.uuid = ::fromJson<QUuid>(context, object.value(QLatin1String("id")));
    entry.created_date = parseRobotResourceDate(::fromJson<QString>(context,
                                                                    object.value(QLatin1String("creation_date"))));
    return entry;
}

ListResourcesResponse ListResourcesResponse::fromJson(JsonContext &context, const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    ListResourcesResponse response;
    response.result = readResult(context, object);
    const QJsonArray entries =
        EmbeddedJson::read(object.value(jsonKey), QJsonValue::Array, &response.jsonState).toArray();
    response.resources.reserve(entries.size());
    for (const QJsonValue entry : entries)
        response.resources.append(ListResourcesEntry::fromJson(context, entry));
    return response;
}

} // namespace RobotMessages
