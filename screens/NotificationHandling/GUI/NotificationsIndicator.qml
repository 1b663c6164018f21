import QtQuick
import Qt5Compat.GraphicalEffects

// The bell of the menu bar, with the number of notifications on it.
Item {
    id: indicator

    signal pressed

    readonly property int count: typeof Notifications !== "undefined" && Notifications ? Notifications.notificationCount : 0
    readonly property alias countLabel: countLabel
    readonly property alias picture: bell

    implicitWidth: height

    FontLoader {
        id: raleway
        source: "qrc:/Fonts/Raleway/static/Raleway-Light.ttf"
    }

    Image {
        id: bell
        anchors.centerIn: parent
        width: indicator.parent ? indicator.parent.height : indicator.height
        height: width
        fillMode: Image.PreserveAspectFit
        mipmap: true
        source: indicator.count > 0 ? "qrc:/Images/GUI/Notifications/Notification_nonzero.png"
                                    : "qrc:/Images/GUI/Notifications/Notification_zero.png"
    }

    Glow {
        anchors.fill: bell
        source: bell
        color: "lightgrey"
        visible: mouse.containsMouse
        radius: mouse.pressed ? 9 * uScale : 4 * uScale
        opacity: mouse.pressed ? 0.8 : 0.5
        Behavior on radius {
            NumberAnimation { duration: 150 }
        }
    }

    // The count sits in the badge at the bell's top right.
    Item {
        x: bell.x + bell.width - bell.width * 18 / 72 - width
        y: bell.y
        width: bell.width * 19 / 72
        height: bell.height * 17 / 72
        Text {
            id: countLabel
            anchors.centerIn: parent
            visible: indicator.count !== 0
            text: indicator.count
            color: "white"
            font.family: raleway.status === FontLoader.Ready ? raleway.font.family : "Raleway"
            font.weight: Font.ExtraBold
            font.pixelSize: uScale * 11
        }
    }

    MouseArea {
        id: mouse
        anchors.fill: bell
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onClicked: indicator.pressed()
    }
}
