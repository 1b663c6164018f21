pragma Singleton
import QtQml

// Stands in for the robot manager: the test sets and reads the active connection.
QtObject {
    property var activeConnection: null
}
