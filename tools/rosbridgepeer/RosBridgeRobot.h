#pragma once

#include "RobotResourceStore.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QUuid>

#include <chrono>
#include <map>

class QTimer;
class RosBridgePeer;

// The services and topics of a robot on a rosbridge peer, with its state in memory:
// - a resource store for each kind (path, job, area, artifact, schedule, map) under
//   "/autopilot/information_manager/resource/<kind>", and the active map,
//   "/autopilot/information_manager/resource/map/get_active_id" -> {"success",
//   "message", "uuid"};
// - jobs: "/autopilot/information_manager/action/job/start" {"uuid"} (a stored job)
//   and "/stop" {} (the running one), answering {"result": {"success", "message"}};
// - path recording: "/autopilot/interface/record_path" {"override"},
//   "/autopilot/interface/save_path" {"name"} -> {"uuid", "success", "message"} (the
//   recording becomes a stored path) and "/autopilot/interface/abort_record_path" {};
//   while a recording runs, the growing path goes out on "/autopilot/plan";
// - telemetry on "/autopilot/estimated_pose", "/autopilot/coordinate_system" and
//   "/autopilot/interface/system_status", each published at a steady rate.
class RosBridgeRobot : public QObject
{
    Q_OBJECT

public:
    enum class Kind { Path, Job, Area, Artifact, Schedule, Map };

    static constexpr std::chrono::milliseconds defaultTelemetryInterval{100};

    // Serves on the peer, which must outlive the robot.
    explicit RosBridgeRobot(RosBridgePeer &peer, QObject *parent = nullptr);
    ~RosBridgeRobot() override;

    RobotResourceStore &store(Kind kind);
    void setActiveMap(const QUuid &id) { m_activeMap = id; }
    QUuid activeMap() const { return m_activeMap; }
    QUuid runningJob() const { return m_runningJob; }
    bool isRecording() const { return m_recording; }

    // The messages the telemetry topics publish, as the robot sends them.
    void setOdometry(const QJsonObject &message) { m_odometry = message; }
    void setCoordinateSystem(const QJsonObject &message) { m_coordinateSystem = message; }
    void setSystemStatus(const QJsonObject &message) { m_systemStatus = message; }
    QJsonObject odometry() const { return m_odometry; }
    // Telemetry, and the plan while recording, every interval.
    void setTelemetryInterval(std::chrono::milliseconds interval);

    // An odometry message at (x, y, z) with the orientation (w, qx, qy, qz) and the
    // velocities, covariances of 36 zeros.
    static QJsonObject odometryMessage(double x, double y, double z, double w = 1, double qx = 0, double qy = 0,
                                       double qz = 0, double vx = 0, double wz = 0);

private:
    QJsonObject startJob(const QJsonObject &args);
    QJsonObject stopJob();
    QJsonObject recordPath(const QJsonObject &args);
    QJsonObject savePath(const QJsonObject &args);
    QJsonObject abortPath();
    void publishTelemetry();
    QJsonObject planMessage() const;

    RosBridgePeer &m_peer;
    std::map<Kind, RobotResourceStore> m_stores;
    QUuid m_activeMap;
    QUuid m_runningJob;
    bool m_recording = false;
    QJsonArray m_recordedPoses;
    QJsonObject m_odometry;
    QJsonObject m_coordinateSystem;
    QJsonObject m_systemStatus;
    QTimer *m_telemetryTimer;
};
