import QtQuick
import QtTest
import ostrel.RobotCommunication

// The module as QML sees it: which types QML may create, the singletons, a connection
// declared in QML, and the manager's promises against the peer's robot.
TestCase {
    id: test

    name: "RobotCommunicationModule"

    function make(type) {
        return Qt.createQmlObject("import ostrel.RobotCommunication 1.0\n" + type + " {}\n", test, "snippet")
    }

    function test_uncreatableTypes_data() {
        return [
            { tag: "IRobotConnection", reason: "IRobotConnection is an abstract base class" },
            { tag: "IRobotManager", reason: "IRobotManager is an abstract class" },
            { tag: "IRobotMapResourceInterface",
              reason: "IRobotMapResourceInterface must be accessed through IRobotConnection" },
            { tag: "IRobotResourceInterface", reason: "IRobotResourceInterface must be accessed through IRobotConnection" },
            { tag: "NetworkDevice", reason: "Access only through manager" },
            { tag: "RobotJobInterface", reason: "RobotJobInterface must be accessed through RobotConnection" },
            { tag: "RobotMapResourceInterface", reason: "RobotMapResourceInterface must be accessed through RobotConnection" },
            { tag: "PositionAccuracy", reason: "Wrapper for PositionAccuracy enum to expose it to QML" },
            { tag: "RobotPathRecordingInterface",
              reason: "RobotPathRecordingInterface must be accessed through RobotConnection" },
            { tag: "RobotResourceInterface", reason: "RobotResourceInterface must be accessed through RobotConnection" },
            { tag: "RobotSubscription", reason: "RobotSubscription is not creatable from QML" },
            { tag: "RobotTelemetryInterface", reason: "RobotTelemetryInterface must be accessed through RobotConnection" },
        ]
    }

    function test_uncreatableTypes(data) {
        var message = ""
        try {
            make(data.tag)
        } catch (error) {
            message = error.qmlErrors.map(function (e) { return e.message }).join("; ")
        }
        verify(message.indexOf(data.reason) >= 0, message)
    }

    function test_singletonsAreOnePerEngine() {
        var other = createTemporaryObject(Qt.createComponent("ManagerReader.qml"), test)
        verify(other)
        verify(other.manager === RobotManager)
        verify(other.status === RobotConnectionStatus)
        compare(RobotConnectionStatus.toString(RobotConnectionStatus.Closing), "Disconnecting")
        compare(RobotConnectionStatus.toString(42), "Unknown")
    }

    function test_connectionDeclaredInQml() {
        var connection = make("RobotConnection")
        verify(connection)
        compare(connection.status, RobotConnectionStatus.Closed)
        compare(connection.location, "robot/1")
        var names = ["pathResourceInterface", "jobResourceInterface", "areaResourceInterface",
                     "artifactResourceInterface", "scheduleResourceInterface", "mapResourceInterface",
                     "jobInterface", "pathRecordingInterface", "telemetryInterface"]
        for (var i = 0; i < names.length; ++i)
            verify(connection[names[i]], names[i])

        var statuses = []
        connection.connectionStatusChanged.connect(function () { statuses.push(connection.status) })
        var result = undefined
        connection.connect("ws://127.0.0.1:" + robotPeer.port).then(function (connected) { result = connected })
        tryVerify(function () { return result !== undefined }, 10000)
        compare(result, true)
        compare(statuses, [RobotConnectionStatus.Connecting, RobotConnectionStatus.Connected])
        connection.disconnect()
        tryCompare(connection, "status", RobotConnectionStatus.Closed)
        connection.destroy()
    }

    // connectToHost opens the robot's default port; the promise gives the listed
    // connection, and the list follows it until it closes.
    function test_managerConnectsToAHost() {
        if (robotPeer.port !== 9090)
            skip("port 9090 is taken on this machine (run the test in a network namespace of its own)")
        var holder = null
        var failure = ""
        RobotManager.connectToHost("127.0.0.1").then(function (h) { holder = h },
                                                     function (e) { failure = e.message })
        tryVerify(function () { return holder !== null || failure !== "" }, 10000)
        compare(failure, "")
        var connection = holder.getObject()
        compare(connection.status, RobotConnectionStatus.Connected)
        compare(RobotManager.size, 1)
        compare(RobotManager.activeConnection.getObject(), connection)
        compare(RobotManager.getConnection("1").getObject(), connection)

        connection.disconnect()
        tryCompare(RobotManager, "size", 0)
        compare(RobotManager.activeConnection, null)
    }

    function test_managerRejectsAFailedAttempt() {
        var failure = ""
        RobotManager.connect("ws://127.0.0.1:1").then(function () { failure = "resolved" },
                                                      function (e) { failure = e.message })
        tryVerify(function () { return failure !== "" }, 10000)
        compare(failure, "Robot connection failed")
        compare(RobotManager.size, 0)
    }
}
