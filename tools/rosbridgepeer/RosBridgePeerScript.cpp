#include "RosBridgePeerScript.h"

#include "RosBridgePeer.h"

#include <chrono>

bool applyPeerScript(RosBridgePeer &peer, const QJsonObject &script, QString *error)
{
    const QJsonObject services = script.value(QLatin1String("services")).toObject();
    for (auto it = services.begin(); it != services.end(); ++it) {
        if (!it.value().isObject()) {
            *error = QStringLiteral("service %1: the reply must be an object").arg(it.key());
            return false;
        }
        QString reason;
        const std::optional<RosBridgePeerReply> reply = RosBridgePeerReply::fromScript(it.value().toObject(), &reason);
        if (!reply) {
            *error = QStringLiteral("service %1: %2").arg(it.key(), reason);
            return false;
        }
        peer.setServiceReply(it.key(), *reply);
    }

    const QJsonObject topics = script.value(QLatin1String("topics")).toObject();
    for (auto it = topics.begin(); it != topics.end(); ++it) {
        const QJsonObject feed = it.value().toObject();
        const QJsonValue message = feed.value(QLatin1String("msg"));
        const double interval = feed.value(QLatin1String("intervalMs")).toDouble(-1);
        if (!message.isObject() || interval < 1) {
            *error = QStringLiteral("topic %1: needs an object \"msg\" and \"intervalMs\" of at least 1").arg(it.key());
            return false;
        }
        peer.publishEvery(it.key(), message.toObject(), std::chrono::milliseconds(qint64(interval)));
    }
    return true;
}
