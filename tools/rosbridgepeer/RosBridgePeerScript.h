#pragma once

#include <QJsonObject>
#include <QString>

class RosBridgePeer;

// Sets a peer up from a script:
//   {"services": {"/service": <reply, see RosBridgePeerReply::fromScript>, ...},
//    "topics": {"/topic": {"msg": {...}, "intervalMs": 100}, ...}}
// Each topic's message is published to its subscribers every interval. Returns false
// with the reason when the script is malformed; the peer may then be set up in part.
bool applyPeerScript(RosBridgePeer &peer, const QJsonObject &script, QString *error);
