#include "RosBridgePeerReply.h"

#include <array>
#include <utility>

namespace {

constexpr std::array behaviourNames{
    std::pair{"answer", RosBridgePeerReply::Behaviour::Answer},
    std::pair{"delay", RosBridgePeerReply::Behaviour::Delay},
    std::pair{"silence", RosBridgePeerReply::Behaviour::Silence},
    std::pair{"wrong-id", RosBridgePeerReply::Behaviour::WrongId},
    std::pair{"twice", RosBridgePeerReply::Behaviour::Twice},
    std::pair{"non-json", RosBridgePeerReply::Behaviour::NonJson},
    std::pair{"unknown-op", RosBridgePeerReply::Behaviour::UnknownOp},
};

} // namespace

std::optional<RosBridgePeerReply> RosBridgePeerReply::fromScript(const QJsonObject &script, QString *error)
{
    RosBridgePeerReply reply;
    const QJsonValue behaviour = script.value(QLatin1String("behaviour"));
    if (!behaviour.isUndefined()) {
        bool known = false;
        for (const auto &[name, value] : behaviourNames) {
            if (behaviour.toString() == QLatin1String(name)) {
                reply.behaviour = value;
                known = true;
            }
        }
        if (!known) {
            *error = QStringLiteral("unknown behaviour %1").arg(behaviour.toString());
            return std::nullopt;
        }
    }
    const QJsonValue result = script.value(QLatin1String("result"));
    if (!result.isUndefined() && !result.isBool()) {
        *error = QStringLiteral("\"result\" must be true or false");
        return std::nullopt;
    }
    reply.result = result.toBool(true);
    reply.values = script.value(QLatin1String("values"));
    const QJsonValue delay = script.value(QLatin1String("delayMs"));
    if (!delay.isUndefined() && (!delay.isDouble() || delay.toDouble() < 0)) {
        *error = QStringLiteral("\"delayMs\" must be a number of milliseconds");
        return std::nullopt;
    }
    reply.delay = std::chrono::milliseconds(delay.toInteger());
    return reply;
}
