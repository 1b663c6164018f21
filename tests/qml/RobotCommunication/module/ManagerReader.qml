import QtQml
import ostrel.RobotCommunication

// Another document of the engine that reads the module's singletons.
QtObject {
    readonly property var manager: RobotManager
    readonly property var status: RobotConnectionStatus
}
