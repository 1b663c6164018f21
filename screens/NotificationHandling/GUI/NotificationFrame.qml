import QtQuick
import QtQuick.Controls
import Qt5Compat.GraphicalEffects
import "../../Qml/OstrelUI"

// The popup list of notifications that the bell opens. Clicks outside leave it open:
// it closes on Escape, on its close button and on the bell.
Popup {
    id: frame

    readonly property var handler: typeof Notifications !== "undefined" ? Notifications : null
    readonly property alias list: list

    width: hRef * 540 / 1080
    height: hRef * 870 / 1080
    padding: 0
    // Placed by the bell, but kept inside the window.
    margins: 0
    closePolicy: Popup.CloseOnEscape

    background: Item {
        // What lies below the popup, blurred.
        ShaderEffectSource {
            id: below
            anchors.fill: parent
            anchors.topMargin: uScale * 20
            visible: false
            sourceItem: typeof viewStack !== "undefined" ? viewStack : null
            sourceRect: {
                if (!sourceItem)
                    return Qt.rect(0, 0, 0, 0)
                var origin = frame.background.mapToItem(sourceItem, 0, uScale * 20)
                return Qt.rect(origin.x, origin.y, width, height)
            }
            live: frame.visible
        }
        FastBlur {
            anchors.fill: below
            source: below
            radius: uScale * 32
            Behavior on radius {
                NumberAnimation { duration: 800 }
            }
        }
        Image {
            anchors.fill: parent
            source: "qrc:/Images/GUI/Notifications/NotificationFrame.png"
        }
    }

    contentItem: Item {
        RoundButton_rev2 {
            id: closeButton
            objectName: "closeNotifications"
            state: "Red"
            anchors.top: parent.top
            anchors.right: parent.right
            anchors.topMargin: 18 * uScale
            anchors.rightMargin: 9 * uScale
            onClicked: frame.close()
        }

        SimpleButton_rev2 {
            id: clearAll
            objectName: "clearAllNotifications"
            x: 8 * uScale
            y: 15 * uScale
            width: 100 * uScale
            height: 28 * uScale
            text: qsTr("CLEAR ALL")
            MouseArea {
                anchors.fill: parent
                cursorShape: Qt.PointingHandCursor
                onClicked: {
                    if (frame.handler)
                        frame.handler.clearNotifications()
                }
            }
        }

        ListView {
            id: list
            anchors.top: clearAll.bottom
            anchors.bottom: parent.bottom
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.topMargin: 20 * uScale + 10 * uScale
            anchors.leftMargin: 20 * uScale
            anchors.bottomMargin: 10 * uScale
            clip: true
            spacing: hRef * 11 / 1080
            boundsBehavior: Flickable.StopAtBounds
            model: frame.handler ? frame.handler.notificationList : []
            delegate: NotificationDelegate {
                required property var modelData
                notification: modelData
                width: ListView.view.width * 0.95
                anchors.horizontalCenter: parent ? parent.horizontalCenter : undefined
                Component.onCompleted: {
                    if (modelData && modelData.modal)
                        frame.open()
                }
            }
        }
    }
}
