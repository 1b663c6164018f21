#include "RobotPathRecordingInterface.h"

#include "RobotPromise.h"
#include "RobotSubscription.h"
#include "RosBridgeClient.h"

using namespace RobotMessages;

RobotPathRecordingInterface::RobotPathRecordingInterface(const QString &prefix, RosBridgeClient *client,
                                                         QObject *parent)
    : QObject(parent)
    , m_client(client)
    , m_recordService(prefix + QStringLiteral("/interface/record_path"))
    , m_saveService(prefix + QStringLiteral("/interface/save_path"))
    , m_abortService(prefix + QStringLiteral("/interface/abort_record_path"))
    , m_planTopic(prefix + QStringLiteral("/plan"))
    , m_planType(QStringLiteral("nav_msgs/msg/Path"))
{
}

RobotPathRecordingInterface::~RobotPathRecordingInterface()
{
    // The plan subscription calls back into this object: it goes first.
    delete m_planSubscription.data();
}

QFuture<void> RobotPathRecordingInterface::startRecordingCpp(const bool &override)
{
    return m_client
        ->callService<GenericResponse>(m_recordService, RecordPathRequest{override}, m_client->serviceCallTimeoutMs())
        .then([](const GenericResponse &) {});
}

QJSValue RobotPathRecordingInterface::startRecording(bool override)
{
    m_recordingProgressPath.clear();

    // The new handle is made before the old one goes, so the robot is not told to stop
    // publishing the plan in between; the old one delivers nothing from here on.
    RobotSubscription *previous = m_planSubscription.data();
    RobotSubscription *subscription = m_client->subscribe(m_planTopic, m_planType, this);
    m_planSubscription = subscription;
    const QPointer<RobotSubscription> self(subscription);
    subscription->onMessage(std::function<void(const NavPath &)>([this, self](const NavPath &path) {
        if (self && self.data() == m_planSubscription.data())
            onPathMessage(path);
    }));
    if (previous)
        previous->deleteLater();

    return robotPromise(this, startRecordingCpp(override));
}

QJSValue RobotPathRecordingInterface::startRecording()
{
    return startRecording(false);
}

QFuture<QUuid> RobotPathRecordingInterface::saveRecordingCpp(const QString &name)
{
    // The reader of a GenericResponse fails the call when the robot reports no success.
    return m_client
        ->callService<SavePathResponse>(m_saveService, SavePathRequest{name}, m_client->serviceCallTimeoutMs())
        .then([](const SavePathResponse &response) { return response.uuid; });
}

QJSValue RobotPathRecordingInterface::saveRecording(const QString &name)
{
    stopWatchingPlan();
    return robotPromise(this, saveRecordingCpp(name));
}

QFuture<void> RobotPathRecordingInterface::abortRecordingCpp()
{
    return m_client->callService<GenericResponse>(m_abortService, QJsonObject(), m_client->serviceCallTimeoutMs())
        .then([](const GenericResponse &) {});
}

QJSValue RobotPathRecordingInterface::abortRecording()
{
    stopWatchingPlan();
    return robotPromise(this, abortRecordingCpp());
}

void RobotPathRecordingInterface::onPathMessage(const NavPath &path)
{
    m_recordingProgressPath = path.poses;
    emit recordingProgressPathChanged();
}

void RobotPathRecordingInterface::stopWatchingPlan()
{
    if (RobotSubscription *subscription = m_planSubscription.data()) {
        m_planSubscription.clear();
        subscription->deleteLater();
    }
}
