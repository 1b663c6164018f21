#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUuid>

class RosBridgePeer;

// A robot's store of one kind of resource, served as the services "<prefix>/get",
// "/set", "/update", "/delete" and "/list". A resource is a JSON object with at least
// "id" (braced UUID text), "name", "group_id" (UUID text or null) and "creation_date"
// (ISO 8601 with milliseconds); it travels as compact JSON text in a string "json".
//
// Answers, each with "result": {"success", "message"}:
//   get {"uuid"}          -> {"json": resource text, "result"}
//   set {"json"}          -> {"result", "uuid"}: stored under its "id", or a new one
//   update {"json"}       -> {"result", "uuid"}: replaces the stored resource of its "id"
//   delete {"uuid"}       -> {"result"}
//   list {["group"]}      -> {"json": text of [{"name", "id", "group_id", "creation_date"}], "result"}
// A failure keeps every key of the success form ("json" and "uuid" empty).
class RobotResourceStore
{
public:
    explicit RobotResourceStore(const QString &prefix);

    QString prefix() const { return m_prefix; }
    // Installs the five services on the peer.
    void serveOn(RosBridgePeer &peer);

    // Stores the resource under its "id" (a new one when it has none) and returns that id.
    QUuid insert(QJsonObject resource);
    bool contains(const QUuid &id) const;
    QJsonObject resource(const QUuid &id) const;
    QList<QJsonObject> resources() const { return m_resources; }
    void clear() { m_resources.clear(); }

private:
    QJsonObject get(const QJsonObject &args) const;
    QJsonObject set(const QJsonObject &args);
    QJsonObject update(const QJsonObject &args);
    QJsonObject remove(const QJsonObject &args);
    QJsonObject list(const QJsonObject &args) const;
    qsizetype indexOf(const QUuid &id) const;

    QString m_prefix;
    QList<QJsonObject> m_resources; // in the order they were stored
};
