import QtQuick
import QtQuick.Controls
import "../Forms"

// The press-and-hold switch that starts and stops the application on the selected
// board and shows its status. A full hold of 1500 ms, or a double click, toggles.
DelayButton {
    id: appSwitch

    readonly property var device: ostFactory.selectedDevice
    // The board's application status as the control channel numbers it
    // (ControlChannel.AppStatus); 255 is "unknown".
    readonly property int unknownStatus: 255
    readonly property int status: device && device.appStatus !== undefined ? device.appStatus : unknownStatus
    property real stateWidth: uScale * 175

    readonly property var statusTexts: ({
        2: [qsTr("Stopped"), qsTr("The loaded application is not running")],
        1: [qsTr("Loaded"), qsTr("An application is loaded on the device")],
        3: [qsTr("Running"), qsTr("The loaded application is being executed")],
        6: [qsTr("Killed"), qsTr("The loaded application was killed")],
        4: [qsTr("Crashed"), qsTr("The loaded application has crashed")],
        5: [qsTr("Paused"), qsTr("The loaded application is paused")],
        0: [qsTr("Not Loaded"), qsTr("No application is loaded")],
        255: [qsTr("Unknown"), qsTr("The current application status is not known")],
        7: [qsTr("Stopping"), qsTr("The loaded application is shutting down")],
        8: [qsTr("Loading"), qsTr("The application is loading")]
    })
    readonly property string statusText: !device ? qsTr("Unknown")
                                                 : (statusTexts[status] ? statusTexts[status][0] : "")
    readonly property string statusToolTip: !device ? ""
                                                    : (statusTexts[status] ? statusTexts[status][1]
                                                                           : statusTexts[unknownStatus][1])

    function toggle() {
        if (device)
            device.toggleAppState()
    }

    delay: 1500
    implicitWidth: stateWidth
    implicitHeight: uScale * 39
    padding: 0
    opacity: device ? 1 : 0
    Behavior on opacity { NumberAnimation { duration: 250 } }

    onActivated: toggle()
    onDoubleClicked: toggle()
    onReleased: {
        if (progress >= 1)
            progress = 0
    }
    onProgressChanged: ring.requestPaint()

    FontLoader { id: poppinsLightItalic; source: "qrc:/Fonts/Poppins/Poppins-LightItalic.ttf" }

    background: Rectangle {
        radius: height / 2
        color: "white"
    }

    contentItem: Item {
        Item {
            id: icon
            x: (parent.height - height) / 2
            anchors.verticalCenter: parent.verticalCenter
            width: uScale * 30
            height: uScale * 30

            Image {
                anchors.centerIn: parent
                width: parent.width * 0.6
                height: parent.height * 0.6
                fillMode: Image.PreserveAspectFit
                mipmap: true
                source: appSwitch.device && appSwitch.device.appRunning ? "qrc:/Images/GUI/MainMenu/Pause.png"
                                                                         : "qrc:/Images/GUI/MainMenu/Play.png"
            }
            Canvas {
                id: ring
                anchors.fill: parent
                onPaint: {
                    const context = getContext("2d")
                    context.reset()
                    const lineWidth = uScale * 5
                    context.lineWidth = lineWidth
                    context.strokeStyle = "#3EB299"
                    context.beginPath()
                    const start = 3 * Math.PI / 5
                    context.arc(width / 2, height / 2, (Math.min(width, height) - lineWidth) / 2, start,
                                start + appSwitch.progress * 9 * Math.PI / 5, false)
                    context.stroke()
                }
            }
        }

        Text {
            objectName: "statusText"
            anchors.left: icon.right
            anchors.leftMargin: uScale * 10
            anchors.verticalCenter: parent.verticalCenter
            text: appSwitch.statusText
            font.family: poppinsLightItalic.name
            font.italic: true
            font.pixelSize: uScale * 15
            color: "#B4B4B5"
        }
    }

    OstToolTip {
        objectName: "statusToolTip"
        buttonToolTip: appSwitch.statusToolTip
        horizontalPosition: OstToolTip.HPosition.Center
        verticalPosition: OstToolTip.VPosition.Below
    }
}
