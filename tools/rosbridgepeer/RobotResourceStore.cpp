#include "RobotResourceStore.h"

#include "RosBridgePeer.h"

#include <QDateTime>
#include <QJsonDocument>

namespace {

const QLatin1String idKey("id");
const QLatin1String jsonKey("json");
const QLatin1String resultKey("result");
const QLatin1String uuidKey("uuid");

QJsonObject result(bool success, const QString &message = QString())
{
    return {{QStringLiteral("success"), success}, {QStringLiteral("message"), message}};
}

QString braced(const QUuid &id)
{
    return id.toString(QUuid::WithBraces);
}

QUuid idOf(const QJsonValue &value)
{
    return QUuid::fromString(value.toString());
}

// The resource in the "json" text of a request, or an empty object when there is none.
QJsonObject resourceIn(const QJsonObject &args)
{
    return QJsonDocument::fromJson(args.value(jsonKey).toString().toUtf8()).object();
}

QString compact(const QJsonDocument &document)
{
    return QString::fromUtf8(document.toJson(QJsonDocument::Compact));
}

} // namespace

RobotResourceStore::RobotResourceStore(const QString &prefix)
    : m_prefix(prefix)
{
}

void RobotResourceStore::serveOn(RosBridgePeer &peer)
{
    const auto serve = [&](const char *operation, std::function<QJsonObject(const QJsonObject &)> handler) {
        peer.setServiceHandler(m_prefix + QLatin1Char('/') + QLatin1String(operation),
                               [handler](const QJsonObject &args) {
                                   return RosBridgePeerReply::answer(handler(args));
                               });
    };
    serve("get", [this](const QJsonObject &args) { return get(args); });
    serve("set", [this](const QJsonObject &args) { return set(args); });
    serve("update", [this](const QJsonObject &args) { return update(args); });
    serve("delete", [this](const QJsonObject &args) { return remove(args); });
    serve("list", [this](const QJsonObject &args) { return list(args); });
}

QUuid RobotResourceStore::insert(QJsonObject resource)
{
    QUuid id = idOf(resource.value(idKey));
    if (id.isNull())
        id = QUuid::createUuid();
    resource.insert(idKey, braced(id));
    if (!resource.contains(QLatin1String("group_id")))
        resource.insert(QLatin1String("group_id"), QJsonValue::Null);
    if (!resource.value(QLatin1String("creation_date")).isString())
        resource.insert(QLatin1String("creation_date"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    const qsizetype index = indexOf(id);
    if (index >= 0)
        m_resources[index] = resource;
    else
        m_resources.append(resource);
    return id;
}

bool RobotResourceStore::contains(const QUuid &id) const
{
    return indexOf(id) >= 0;
}

QJsonObject RobotResourceStore::resource(const QUuid &id) const
{
    const qsizetype index = indexOf(id);
    return index >= 0 ? m_resources.at(index) : QJsonObject();
}

QJsonObject RobotResourceStore::get(const QJsonObject &args) const
{
    const QUuid id = idOf(args.value(uuidKey));
    if (!contains(id))
        return {{jsonKey, QString()}, {resultKey, result(false, QStringLiteral("No resource %1").arg(braced(id)))}};
    return {{jsonKey, compact(QJsonDocument(resource(id)))}, {resultKey, result(true)}};
}

QJsonObject RobotResourceStore::set(const QJsonObject &args)
{
    const QJsonObject resource = resourceIn(args);
    if (resource.isEmpty())
        return {{resultKey, result(false, QStringLiteral("No resource in the request"))}, {uuidKey, QString()}};
    return {{resultKey, result(true)}, {uuidKey, braced(insert(resource))}};
}

QJsonObject RobotResourceStore::update(const QJsonObject &args)
{
    const QJsonObject resource = resourceIn(args);
    const QUuid id = idOf(resource.value(idKey));
    if (id.isNull() || !contains(id))
        return {{resultKey, result(false, QStringLiteral("No resource %1 to update").arg(braced(id)))},
                {uuidKey, QString()}};
    return {{resultKey, result(true)}, {uuidKey, braced(insert(resource))}};
}

QJsonObject RobotResourceStore::remove(const QJsonObject &args)
{
    const QUuid id = idOf(args.value(uuidKey));
    const qsizetype index = indexOf(id);
    if (index < 0)
        return {{resultKey, result(false, QStringLiteral("No resource %1").arg(braced(id)))}};
    m_resources.removeAt(index);
    return {{resultKey, result(true)}};
}

QJsonObject RobotResourceStore::list(const QJsonObject &args) const
{
    const QJsonValue group = args.value(QLatin1String("group"));
    const QUuid wanted = idOf(group);
    QJsonArray entries;
    for (const QJsonObject &resource : m_resources) {
        if (!group.isUndefined() && idOf(resource.value(QLatin1String("group_id"))) != wanted)
            continue;
        entries.append(QJsonObject{{QStringLiteral("name"), resource.value(QLatin1String("name"))},
                                   {idKey, resource.value(idKey)},
                                   {QStringLiteral("group_id"), resource.value(QLatin1String("group_id"))},
                                   {QStringLiteral("creation_date"), resource.value(QLatin1String("creation_date"))}});
    }
    return {{jsonKey, compact(QJsonDocument(entries))}, {resultKey, result(true)}};
}

qsizetype RobotResourceStore::indexOf(const QUuid &id) const
{
    for (qsizetype i = 0; i < m_resources.size(); ++i) {
        if (idOf(m_resources.at(i).value(idKey)) == id)
            return i;
    }
    return -1;
}
