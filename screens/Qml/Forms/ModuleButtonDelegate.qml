import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import Qt5Compat.GraphicalEffects
import "../OstrelUI"

// One tile of the home screen. It rises and glows under the pointer and opens its
// module on a click while it is available; a locked tile explains itself through its
// info button.
Pane {
    id: tile

    property string name
    property url iconSource
    property bool available: true
    property bool lockable: false
    // The tile of the device updates, which shows the number of available updates.
    property bool deviceUpdates: false
    // The lock-out explanation is shown (after a press on the info button).
    property bool showingLockInfo: false
    // The tile's screen is not part of this build; said on the tile for a moment.
    property bool showingMissingScreen: false

    signal launchModule

    readonly property bool pointerOver: mouse.containsMouse
    readonly property alias infoButton: infoButton
    readonly property alias nameLabel: nameLabel

    function showMissingScreen() {
        showingMissingScreen = true
        missingTimer.restart()
    }

    padding: 0
    Material.elevation: mouse.pressed ? 3 : (pointerOver ? 50 : 0)
    Behavior on Material.elevation {
        NumberAnimation { duration: 500; easing.type: Easing.OutQuint }
    }

    background: Rectangle {
        radius: 14 * uScale
        color: "#F3F3F3"
    }

    onAvailableChanged: {
        if (available)
            hideLockInfo()
    }

    function hideLockInfo() {
        showingLockInfo = false
        lockTimer.stop()
    }

    FontLoader {
        id: ralewayLight
        source: "qrc:/Fonts/Raleway/static/Raleway-Light.ttf"
    }

    // The turning gradient that shows around the face while hovered.
    Rectangle_RoundClip {
        id: glow
        anchors.fill: parent
        radius: 14 * uScale
        color: "transparent"
        clipContent: gradientHolder
        opacity: tile.pointerOver ? 1 : 0
        Behavior on opacity {
            NumberAnimation { duration: 250 }
        }
        Item {
            id: gradientHolder
            anchors.fill: parent
            opacity: 0
            Rectangle {
                id: turning
                anchors.centerIn: parent
                width: Math.hypot(parent.width, parent.height)
                height: width
                gradient: Gradient {
                    GradientStop { position: 0.0; color: "#E6E6E6" }
                    GradientStop { position: 0.8; color: "#3DB199" }
                    GradientStop { position: 1.0; color: "#4B469D" }
                }
                rotation: 45
                RotationAnimation on rotation {
                    running: tile.pointerOver
                    from: 45
                    to: 405
                    duration: 3000
                    loops: Animation.Infinite
                }
            }
        }
    }

    Rectangle {
        id: face
        anchors.fill: parent
        anchors.margins: (tile.pointerOver ? 6 : 2) * uScale
        radius: 12 * uScale
        color: "#F3F3F3"
        Behavior on anchors.margins {
            NumberAnimation { duration: 250 }
        }

        Rectangle {
            id: pressHighlight
            anchors.fill: parent
            radius: parent.radius
            color: "#C5E0D9"
            opacity: mouse.pressed && tile.available ? 1 : 0
            Behavior on opacity {
                NumberAnimation { duration: 150 }
            }
        }

        Image {
            id: icon
            anchors.fill: parent
            anchors.margins: parent.width * 0.18
            anchors.bottomMargin: parent.height * 0.26
            fillMode: Image.PreserveAspectFit
            mipmap: true
            source: tile.iconSource
            visible: !tile.showingLockInfo
        }
        FastBlur {
            anchors.fill: icon
            source: icon
            radius: 40
            visible: tile.showingLockInfo
        }

        Text {
            id: nameLabel
            anchors.horizontalCenter: parent.horizontalCenter
            anchors.bottom: parent.bottom
            anchors.bottomMargin: tile.height * 0.08
            visible: !tile.showingLockInfo
            text: tile.name
            color: tile.available ? "black" : "#C8C9CB"
            font.family: ralewayLight.status === FontLoader.Ready ? ralewayLight.font.family : "Raleway"
            font.weight: Font.Light
            font.pixelSize: tile.height * 24 / 304
        }

        // The number of available firmware updates.
        Rectangle {
            visible: tile.deviceUpdates && badge.count > 0
            anchors.top: parent.top
            anchors.right: parent.right
            anchors.margins: parent.width * 0.1
            width: Math.max(height, badge.implicitWidth + height * 0.5)
            height: tile.height * 0.12
            radius: height / 2
            color: "#E31F40"
            Text {
                id: badge
                readonly property int count: typeof HardwareUpdate !== "undefined" && HardwareUpdate ? HardwareUpdate.availableUpdates : 0
                anchors.centerIn: parent
                text: count
                color: "white"
                font.bold: true
                font.pixelSize: parent.height * 0.6
            }
        }

        // Said when the tile's screen is not part of this build.
        Rectangle {
            id: missingNotice
            anchors.centerIn: parent
            width: parent.width * 0.86
            height: missingText.implicitHeight + 16 * uScale
            radius: 8 * uScale
            color: "#E6FFFFFF"
            border.color: "#C8C9CB"
            visible: tile.showingMissingScreen
            Text {
                id: missingText
                anchors.centerIn: parent
                width: parent.width - 16 * uScale
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                text: qsTr("This screen is not available in this version yet.")
                font.pixelSize: tile.height * 18 / 304
                color: "#1D252F"
            }
        }
    }

    Timer {
        id: missingTimer
        interval: 5000
        onTriggered: tile.showingMissingScreen = false
    }

    MouseArea {
        id: mouse
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: tile.available ? Qt.PointingHandCursor : Qt.ArrowCursor
        onClicked: {
            if (tile.available)
                tile.launchModule()
        }
    }

    // A locked tile: hatched over, with an info button that tells why.
    Item {
        anchors.fill: parent
        visible: !tile.available

        Image {
            anchors.fill: parent
            anchors.margins: 2 * uScale
            visible: !tile.showingLockInfo
            fillMode: Image.Tile
            opacity: 0.85
            source: "qrc:/Images/GUI/MainMenu/Hatch.png"
            Rectangle {
                anchors.fill: parent
                radius: 12 * uScale
                color: "#99ffffff"
            }
        }
        Image {
            anchors.fill: parent
            anchors.margins: parent.width * 0.1
            visible: tile.showingLockInfo
            fillMode: Image.PreserveAspectFit
            mipmap: true
            source: tile.lockable ? "qrc:/Images/GUI/MainMenu/LockoutInfoStorage.png"
                                  : "qrc:/Images/GUI/MainMenu/LockoutInfo.png"
        }
        RoundButton_rev2 {
            id: infoButton
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.margins: parent.width * 0.06
            width: tile.width * 0.12
            height: width
            state: tile.showingLockInfo ? "Cross" : "Info"
            onPressed: {
                if (tile.showingLockInfo) {
                    tile.hideLockInfo()
                } else {
                    tile.showingLockInfo = true
                    lockTimer.restart()
                }
            }
        }
    }

    Timer {
        id: lockTimer
        interval: 5000
        onTriggered: tile.showingLockInfo = false
    }
}
