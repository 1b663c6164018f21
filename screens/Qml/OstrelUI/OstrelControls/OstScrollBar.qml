import QtQuick
import QtQuick.Controls

// An always-shown vertical scroll bar with a green handle on a light track.
ScrollBar {
    id: control

    orientation: Qt.Vertical
    active: true
    size: 0.3
    position: 0.2

    contentItem: Rectangle {
        anchors.horizontalCenter: parent ? parent.horizontalCenter : undefined
        implicitWidth: 10 * uScale
        implicitHeight: 6 * uScale
        radius: width / 2
        color: "#3DB199"
        Behavior on width {
            PropertyAnimation {}
        }
        Behavior on height {
            PropertyAnimation {}
        }
    }

    background: Rectangle {
        id: track
        width: 15 * uScale
        radius: width / 2
        color: "#F3F3F3"
        Rectangle {
            anchors.centerIn: parent
            antialiasing: true
            width: 1.2 * uScale
            height: track.height - 2 * track.radius
            color: "#3DB199"
        }
    }
}
