import QtQuick
import QtTest
import com.ostrel 1.0
import "../../../screens/Qml/OstrelUI"

// The application switch of the menu bar with a stand-in board: its status texts and
// tool tips, and which presses start or stop the board's application.
Item {
    id: root
    width: 600
    height: 200

    property QtObject board: QtObject {
        property int appStatus: ControlChannel.Stopped
        property bool appRunning: appStatus === ControlChannel.Running
        property int toggles: 0
        function toggleAppState() {
            toggles += 1
        }
    }
    property QtObject ostFactory: QtObject {
        property var selectedDevice: root.board
    }

    Component {
        id: switchComponent
        DeviceAppSwitch {
            x: 50
            y: 50
            width: stateWidth
            height: 39 * uScale
        }
    }

    TestCase {
        name: "DeviceAppSwitch"
        when: windowShown

        property var appSwitch: null

        function init() {
            board.toggles = 0
            board.appStatus = ControlChannel.Stopped
            ostFactory.selectedDevice = board
            appSwitch = createTemporaryObject(switchComponent, root)
            verify(appSwitch)
        }

        function statusText() {
            return findChild(appSwitch, "statusText").text
        }
        function toolTip() {
            return findChild(appSwitch, "statusToolTip").buttonToolTip
        }

        function test_status_data() {
            return [
                {tag: "stopped", status: ControlChannel.Stopped, text: "Stopped", tip: "The loaded application is not running"},
                {tag: "loaded", status: ControlChannel.Loaded, text: "Loaded", tip: "An application is loaded on the device"},
                {tag: "running", status: ControlChannel.Running, text: "Running", tip: "The loaded application is being executed"},
                {tag: "killed", status: ControlChannel.Killed, text: "Killed", tip: "The loaded application was killed"},
                {tag: "crashed", status: ControlChannel.Crashed, text: "Crashed", tip: "The loaded application has crashed"},
                {tag: "paused", status: ControlChannel.Paused, text: "Paused", tip: "The loaded application is paused"},
                {tag: "not loaded", status: ControlChannel.NotLoaded, text: "Not Loaded", tip: "No application is loaded"},
                {tag: "unknown", status: ControlChannel.Unknown, text: "Unknown", tip: "The current application status is not known"},
                {tag: "stopping", status: ControlChannel.Stopping, text: "Stopping", tip: "The loaded application is shutting down"},
                {tag: "loading", status: ControlChannel.Loading, text: "Loading", tip: "The application is loading"},
                {tag: "outside the table", status: 42, text: "", tip: "The current application status is not known"}
            ]
        }
        function test_status(data) {
            board.appStatus = data.status
            compare(statusText(), data.text)
            compare(toolTip(), data.tip)
        }

        function test_noBoardSelected() {
            ostFactory.selectedDevice = null
            compare(statusText(), "Unknown")
            compare(toolTip(), "")
            tryCompare(appSwitch, "opacity", 0)
            ostFactory.selectedDevice = board
            tryCompare(appSwitch, "opacity", 1)
        }

        function test_shortPressDoesNothing() {
            mousePress(appSwitch)
            wait(400)
            mouseRelease(appSwitch)
            wait(1500)
            compare(board.toggles, 0)
        }

        // Held for the whole delay: one toggle, and the ring goes back to empty.
        function test_fullHoldToggles() {
            mousePress(appSwitch)
            tryCompare(board, "toggles", 1, 3000)
            mouseRelease(appSwitch)
            compare(board.toggles, 1)
            tryCompare(appSwitch, "progress", 0)
        }

        function test_doubleClickTogglesAtOnce() {
            mouseDoubleClickSequence(appSwitch)
            compare(board.toggles, 1)
        }
    }
}
