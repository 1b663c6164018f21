#include "RosBridgeRobot.h"

#include "RosBridgePeer.h"

#include <QDateTime>
#include <QTimer>

namespace {

const QString resourcePrefix = QStringLiteral("/autopilot/information_manager/resource/");
const QString jobPrefix = QStringLiteral("/autopilot/information_manager/action/job");
const QString robotPrefix = QStringLiteral("/autopilot");

QJsonObject outcome(bool success, const QString &message = QString())
{
    return {{QStringLiteral("success"), success}, {QStringLiteral("message"), message}};
}

QJsonObject vector(double x, double y, double z)
{
    return {{QStringLiteral("x"), x}, {QStringLiteral("y"), y}, {QStringLiteral("z"), z}};
}

QJsonArray zeros(int count)
{
    QJsonArray array;
    for (int i = 0; i < count; ++i)
        array.append(0.0);
    return array;
}

QJsonObject pose(double x, double y, double z, double w, double qx, double qy, double qz)
{
    QJsonObject orientation = vector(qx, qy, qz);
    orientation.insert(QStringLiteral("w"), w);
    return {{QStringLiteral("position"), vector(x, y, z)}, {QStringLiteral("orientation"), orientation}};
}

RosBridgePeerReply reply(const QJsonObject &values)
{
    return RosBridgePeerReply::answer(values);
}

} // namespace

RosBridgeRobot::RosBridgeRobot(RosBridgePeer &peer, QObject *parent)
    : QObject(parent)
    , m_peer(peer)
    , m_odometry(odometryMessage(0, 0, 0))
    , m_coordinateSystem({{QStringLiteral("type"), 2},
                          {QStringLiteral("map_name"), QString()},
                          {QStringLiteral("latitude"), 0.0},
                          {QStringLiteral("longitude"), 0.0},
                          {QStringLiteral("altitude"), 0.0},
                          {QStringLiteral("zone"), 32},
                          {QStringLiteral("north"), true},
                          {QStringLiteral("x_offset"), 0.0},
                          {QStringLiteral("y_offset"), 0.0},
                          {QStringLiteral("z_offset"), 0.0}})
    , m_systemStatus({{QStringLiteral("is_operational"), true},
                      {QStringLiteral("behavior_status"), QStringLiteral("idle")},
                      {QStringLiteral("position_accuracy_status"), QStringLiteral("position_ok")}})
    , m_telemetryTimer(new QTimer(this))
{
    const std::pair<Kind, const char *> kinds[] = {{Kind::Path, "path"},         {Kind::Job, "job"},
                                                   {Kind::Area, "area"},         {Kind::Artifact, "artifact"},
                                                   {Kind::Schedule, "schedule"}, {Kind::Map, "map"}};
    for (const auto &[kind, name] : kinds) {
        auto [entry, inserted] = m_stores.emplace(kind, RobotResourceStore(resourcePrefix + QLatin1String(name)));
        entry->second.serveOn(m_peer);
    }

    m_peer.setServiceHandler(resourcePrefix + QStringLiteral("map/get_active_id"), [this](const QJsonObject &) {
        QJsonObject answer = m_activeMap.isNull() ? outcome(false, QStringLiteral("No map is active")) : outcome(true);
        answer.insert(QStringLiteral("uuid"),
                      m_activeMap.isNull() ? QString() : m_activeMap.toString(QUuid::WithBraces));
        return reply(answer);
    });
    m_peer.setServiceHandler(jobPrefix + QStringLiteral("/start"),
                             [this](const QJsonObject &args) { return reply(startJob(args)); });
    m_peer.setServiceHandler(jobPrefix + QStringLiteral("/stop"),
                             [this](const QJsonObject &) { return reply(stopJob()); });
    m_peer.setServiceHandler(robotPrefix + QStringLiteral("/interface/record_path"),
                             [this](const QJsonObject &args) { return reply(recordPath(args)); });
    m_peer.setServiceHandler(robotPrefix + QStringLiteral("/interface/save_path"),
                             [this](const QJsonObject &args) { return reply(savePath(args)); });
    m_peer.setServiceHandler(robotPrefix + QStringLiteral("/interface/abort_record_path"),
                             [this](const QJsonObject &) { return reply(abortPath()); });

    connect(m_telemetryTimer, &QTimer::timeout, this, &RosBridgeRobot::publishTelemetry);
    m_telemetryTimer->start(defaultTelemetryInterval);
}

RosBridgeRobot::~RosBridgeRobot()
{
    // The peer may serve on: its services must not reach this object any more.
    const QString services[] = {resourcePrefix + QStringLiteral("map/get_active_id"),
                                jobPrefix + QStringLiteral("/start"),
                                jobPrefix + QStringLiteral("/stop"),
                                robotPrefix + QStringLiteral("/interface/record_path"),
                                robotPrefix + QStringLiteral("/interface/save_path"),
                                robotPrefix + QStringLiteral("/interface/abort_record_path")};
    for (const QString &service : services)
        m_peer.setServiceReply(service, RosBridgePeerReply::failure(QStringLiteral("The robot is gone")));
    for (const auto &[kind, store] : m_stores) {
        for (const char *operation : {"get", "set", "update", "delete", "list"})
            m_peer.setServiceReply(store.prefix() + QLatin1Char('/') + QLatin1String(operation),
                                   RosBridgePeerReply::failure(QStringLiteral("The robot is gone")));
    }
}

RobotResourceStore &RosBridgeRobot::store(Kind kind)
{
    return m_stores.at(kind);
}

void RosBridgeRobot::setTelemetryInterval(std::chrono::milliseconds interval)
{
    m_telemetryTimer->start(interval);
}

QJsonObject RosBridgeRobot::odometryMessage(double x, double y, double z, double w, double qx, double qy, double qz,
                                            double vx, double wz)
{
    return {{QStringLiteral("header"), QJsonObject{{QStringLiteral("frame_id"), QStringLiteral("map")}}},
            {QStringLiteral("pose"), QJsonObject{{QStringLiteral("pose"), pose(x, y, z, w, qx, qy, qz)},
                                                 {QStringLiteral("covariance"), zeros(36)}}},
            {QStringLiteral("twist"),
             QJsonObject{{QStringLiteral("twist"), QJsonObject{{QStringLiteral("linear"), vector(vx, 0, 0)},
                                                               {QStringLiteral("angular"), vector(0, 0, wz)}}},
                         {QStringLiteral("covariance"), zeros(36)}}}};
}

QJsonObject RosBridgeRobot::startJob(const QJsonObject &args)
{
    const QUuid job = QUuid::fromString(args.value(QLatin1String("uuid")).toString());
    if (!store(Kind::Job).contains(job))
        return {{QStringLiteral("result"),
                 outcome(false, QStringLiteral("No job %1").arg(job.toString(QUuid::WithBraces)))}};
    m_runningJob = job;
    return {{QStringLiteral("result"), outcome(true)}};
}

QJsonObject RosBridgeRobot::stopJob()
{
    if (m_runningJob.isNull())
        return {{QStringLiteral("result"), outcome(false, QStringLiteral("No job is running"))}};
    m_runningJob = QUuid();
    return {{QStringLiteral("result"), outcome(true)}};
}

QJsonObject RosBridgeRobot::recordPath(const QJsonObject &args)
{
    if (m_recording && !args.value(QLatin1String("override")).toBool())
        return outcome(false, QStringLiteral("A recording is running"));
    m_recording = true;
    m_recordedPoses = QJsonArray();
    return outcome(true);
}

QJsonObject RosBridgeRobot::savePath(const QJsonObject &args)
{
    QJsonObject answer;
    if (!m_recording) {
        answer = outcome(false, QStringLiteral("No recording is running"));
        answer.insert(QStringLiteral("uuid"), QString());
        return answer;
    }
    m_recording = false;
    const QJsonObject path{
        {QStringLiteral("name"), args.value(QLatin1String("name")).toString()},
        {QStringLiteral("group_id"), QJsonValue::Null},
        {QStringLiteral("creation_date"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)},
        {QStringLiteral("poses"), m_recordedPoses}};
    const QUuid id = store(Kind::Path).insert(path);
    answer = outcome(true);
    answer.insert(QStringLiteral("uuid"), id.toString(QUuid::WithBraces));
    return answer;
}

QJsonObject RosBridgeRobot::abortPath()
{
    if (!m_recording)
        return outcome(false, QStringLiteral("No recording is running"));
    m_recording = false;
    m_recordedPoses = QJsonArray();
    return outcome(true);
}

void RosBridgeRobot::publishTelemetry()
{
    m_peer.publish(robotPrefix + QStringLiteral("/estimated_pose"), m_odometry);
    m_peer.publish(robotPrefix + QStringLiteral("/coordinate_system"), m_coordinateSystem);
    m_peer.publish(robotPrefix + QStringLiteral("/interface/system_status"), m_systemStatus);
    if (m_recording) {
        // The robot drives where its estimated pose says; the path takes each pose.
        m_recordedPoses.append(QJsonObject{
            {QStringLiteral("pose"), m_odometry.value(QLatin1String("pose"))[QLatin1String("pose")]}});
        m_peer.publish(robotPrefix + QStringLiteral("/plan"), planMessage());
    }
}

QJsonObject RosBridgeRobot::planMessage() const
{
    return {{QStringLiteral("header"), QJsonObject{{QStringLiteral("frame_id"), QStringLiteral("map")}}},
            {QStringLiteral("poses"), m_recordedPoses}};
}
