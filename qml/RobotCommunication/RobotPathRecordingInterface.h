#pragma once

#include "PathRecordingMessages.h"
#include "Pose.h"

#include <QFuture>
#include <QJSValue>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

class RobotSubscription;
class RosBridgeClient;

// Records a path while the robot is driven: starts the recording, mirrors the robot's
// plan topic into recordingProgressPath while it is watched, and saves the recording
// under a name (the robot answers with the new path's UUID) or aborts it. Whether a
// recording runs is the robot's business; nothing here keeps track of it.
class RobotPathRecordingInterface : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("RobotPathRecordingInterface must be accessed through RobotConnection")
    Q_PROPERTY(QList<Pose> recordingProgressPath READ recordingProgressPath NOTIFY recordingProgressPathChanged)

public:
    RobotPathRecordingInterface(const QString &prefix, RosBridgeClient *client, QObject *parent = nullptr);
    ~RobotPathRecordingInterface() override;

    QList<Pose> recordingProgressPath() const { return m_recordingProgressPath; }

    virtual QFuture<void> startRecordingCpp(const bool &override);
    // Empties the path and watches the plan topic, then starts the recording.
    Q_INVOKABLE virtual QJSValue startRecording(bool override);
    Q_INVOKABLE QJSValue startRecording();
    // Finishes with the UUID of the saved path.
    virtual QFuture<QUuid> saveRecordingCpp(const QString &name);
    // Stops watching the plan topic, then saves.
    Q_INVOKABLE virtual QJSValue saveRecording(const QString &name);
    virtual QFuture<void> abortRecordingCpp();
    // Stops watching the plan topic, then aborts.
    Q_INVOKABLE virtual QJSValue abortRecording();

    void onPathMessage(const RobotMessages::NavPath &path);

signals:
    void recordingProgressPathChanged();

private:
    void stopWatchingPlan();

    RosBridgeClient *m_client;
    QList<Pose> m_recordingProgressPath;
    QPointer<RobotSubscription> m_planSubscription; // a child while held
    QString m_recordService;
    QString m_saveService;
    QString m_abortService;
    QString m_planTopic;
    QString m_planType;
};
