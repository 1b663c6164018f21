#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <chrono>
#include <optional>

// How the peer answers one call of a service.
struct RosBridgePeerReply
{
    enum class Behaviour {
        Answer,    // one service_response with result and values
        Delay,     // the same answer after delay
        Silence,   // no answer at all
        WrongId,   // the answer, but under an id that was never called
        Twice,     // the answer two times
        NonJson,   // a text frame that is no JSON
        UnknownOp, // a frame whose op the protocol does not know
    };

    Behaviour behaviour = Behaviour::Answer;
    bool result = true;
    QJsonValue values = QJsonValue(QJsonValue::Undefined); // left out of the answer when undefined
    std::chrono::milliseconds delay{0};

    static RosBridgePeerReply answer(const QJsonValue &values, bool result = true)
    {
        RosBridgePeerReply reply;
        reply.values = values;
        reply.result = result;
        return reply;
    }
    static RosBridgePeerReply failure(const QString &message) { return answer(message, false); }
    static RosBridgePeerReply with(Behaviour behaviour, const QJsonValue &values = QJsonValue(QJsonValue::Undefined))
    {
        RosBridgePeerReply reply;
        reply.behaviour = behaviour;
        reply.values = values;
        return reply;
    }

    // A reply from its script form: {"behaviour": "answer" | "delay" | "silence" |
    // "wrong-id" | "twice" | "non-json" | "unknown-op", "result": bool, "values": any,
    // "delayMs": n}; every key may be left out. Nothing when the form is wrong.
    static std::optional<RosBridgePeerReply> fromScript(const QJsonObject &script, QString *error);
};
