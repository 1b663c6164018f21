// Feeds arbitrary text, read as one JSON value, to every reader of a robot's messages
// (resource, map, job and path-recording responses, plan and telemetry messages), and
// the telemetry that reads into the telemetry interface, whose coordinate converter
// then converts the pose. What must hold whatever the robot sends: nothing crashes,
// and a reader either gives a message or throws one of the robot stack's exceptions.

#include "CoordinateConverter.h"
#include "JobMessages.h"
#include "JsonException.h"
#include "MapMessages.h"
#include "PathRecordingMessages.h"
#include "ResourceMessages.h"
#include "RobotServiceExceptions.h"
#include "RobotTelemetryInterface.h"
#include "RosBridgeClient.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>

#include <cstddef>
#include <cstdint>

namespace {

// Reads the value as a Message; the robot stack's exceptions are the expected way to
// refuse it, anything else escapes and ends the run.
template<class Message, class Use>
void read(const QJsonValue &value, Use use)
{
    JsonContext context;
    try {
        use(fromJson<Message>(context, value));
    } catch (const JsonException &) {
    } catch (const ServiceCallFailedException &) {
    }
}

template<class Message>
void read(const QJsonValue &value)
{
    read<Message>(value, [](const Message &) {});
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication application(*argc, *argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.warning=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    // Wrapped in an array, so that any JSON value (not only an object) is read.
    const QJsonDocument document = QJsonDocument::fromJson("[" + text + "]");
    if (!document.isArray() || document.array().size() != 1)
        return 0;
    const QJsonValue value = document.array().first();

    using namespace RobotMessages;
    read<GenericResponse>(value);
    read<GetResourceResponse>(value, [](const GetResourceResponse &response) { response.jsonState.check(); });
    read<SetResourceResponse>(value);
    read<UpdateResourceResponse>(value);
    read<DeleteResourceResponse>(value);
    read<ListResourcesResponse>(value, [](const ListResourcesResponse &response) { response.jsonState.check(); });
    read<getActiveMapIdResponse>(value);
    read<StartJobResponse>(value);
    read<SavePathResponse>(value);
    read<NavPath>(value);
    read<SystemStatus>(value);

    static RosBridgeClient client;
    RobotTelemetryInterface telemetry(QStringLiteral("/autopilot"), &client);
    read<Odometry>(value, [&](const Odometry &odometry) { telemetry.onOdometry(odometry); });
    read<OldCoordinateSystemInfo>(value, [&](const OldCoordinateSystemInfo &info) {
        telemetry.onCoordinateSystemInfo(info);
        if (CoordinateConverter *converter = telemetry.coordinateSystem()) {
            Coordinate position;
            position.x = info.x_offset;
            position.y = info.latitude;
            position.z = info.altitude;
            converter->convertFromGeo(converter->convertToGeo(position));
        }
    });
    return 0;
}
