import QtQuick
import QtQuick.Layouts
import com.ostrel 1.0
import "../../Qml/OstrelUI"

// One notification as a card: its level, title, time, origin, button, progress and
// message, with CLEAR and MORE/LESS beside them.
Rectangle_RoundClip {
    id: card

    property var notification: null

    readonly property bool severe: notification ? (notification.level === Halvora.Error
                                                   || notification.level === Halvora.CriticalError) : false
    readonly property int type: notification ? notification.type : AbstractNotification.String
    readonly property bool hasButton: type === AbstractNotification.Button_1 || type === AbstractNotification.Button_2
                                      || type === AbstractNotification.ButtonProgress_1
                                      || type === AbstractNotification.ButtonProgress_2
    readonly property bool hasProgress: type === AbstractNotification.Progress_1
                                        || type === AbstractNotification.ButtonProgress_1
                                        || type === AbstractNotification.ButtonProgress_2
    readonly property real rowHeight: hRef * 120 / 1080
    readonly property string timeText: notification ? Qt.formatTime(notification.time, "hh:mm:ss") : ""
    readonly property string originText: !notification ? ""
        : notification.source === AbstractNotification.Device ? "Zelto | S/N:" + notification.origin
        : qsTr("Halvora Lab | ") + notification.origin
    readonly property alias levelStrip: strip
    readonly property alias promptButton: promptButton
    readonly property alias progressBar: progressBar
    readonly property alias clearArea: clearArea
    readonly property alias expandArea: expandArea

    height: state === "expanded" ? rowHeight + message.height + rowHeight : rowHeight
    color: "white"
    border.color: "white"
    borderWidth_mm: 0.28
    radius: hRef * 15 / 1080
    clipContent: content
    state: "collapsed"

    Behavior on height {
        NumberAnimation { duration: 150; easing.type: Easing.OutQuad }
    }

    states: [
        State { name: "collapsed" },
        State { name: "expanded" }
    ]

    Connections {
        target: card.notification
        function onExpandedChanged() {
            card.state = card.notification.expanded ? "expanded" : "collapsed"
        }
    }

    FontLoader { id: ralewaySemiBold; source: "qrc:/Fonts/Raleway/static/Raleway-SemiBold.ttf" }
    FontLoader { id: ralewayRegular; source: "qrc:/Fonts/Raleway/static/Raleway-Regular.ttf" }
    FontLoader { id: ralewayLight; source: "qrc:/Fonts/Raleway/static/Raleway-Light.ttf" }
    FontLoader { id: ralewayExtraBold; source: "qrc:/Fonts/Raleway/static/Raleway-ExtraBold.ttf" }

    // Drawn only through the card's rounded clip.
    Item {
        id: content
        x: card.borderPixels
        y: card.borderPixels
        width: card.width - 2 * card.borderPixels
        height: card.height - 2 * card.borderPixels
        opacity: 0

        RowLayout {
            anchors.fill: parent
            spacing: 0

            Rectangle {
                id: strip
                Layout.fillHeight: true
                Layout.preferredWidth: content.width * 35 / 500
                color: card.severe ? "#F1DEE2" : "#F2EADF"
                Image {
                    anchors.centerIn: parent
                    width: parent.width / 3
                    height: width
                    fillMode: Image.PreserveAspectFit
                    mipmap: true
                    source: card.severe ? "qrc:/Images/GUI/Notifications/app_error.png"
                                        : "qrc:/Images/GUI/Notifications/app_warning.png"
                }
            }

            Rectangle {
                id: textArea
                Layout.fillHeight: true
                Layout.fillWidth: true
                color: "#F3F3F3"

                ColumnLayout {
                    anchors.fill: parent
                    anchors.leftMargin: 20 * uScale
                    anchors.topMargin: 13 * uScale
                    spacing: 10 * uScale

                    Text {
                        text: card.notification ? card.notification.title : ""
                        color: "#E31F40"
                        font.family: ralewaySemiBold.status === FontLoader.Ready ? ralewaySemiBold.font.family : "Raleway"
                        font.weight: Font.DemiBold
                        font.pixelSize: 14 * uScale
                        elide: Text.ElideRight
                        Layout.maximumWidth: textArea.width - 40 * uScale
                    }
                    Text {
                        text: card.timeText
                        font.family: ralewaySemiBold.status === FontLoader.Ready ? ralewaySemiBold.font.family : "Raleway"
                        font.bold: true
                        font.pixelSize: 14 * uScale
                    }
                    Text {
                        text: card.originText
                        font.family: ralewayRegular.status === FontLoader.Ready ? ralewayRegular.font.family : "Raleway"
                        font.pixelSize: 12 * uScale
                        elide: Text.ElideRight
                        Layout.maximumWidth: textArea.width - 40 * uScale
                    }
                    Item {
                        visible: card.hasButton
                        Layout.preferredHeight: 50 * uScale
                        Layout.fillWidth: true
                        Button_rev1 {
                            id: promptButton
                            anchors.verticalCenter: parent.verticalCenter
                            height: parent.height * 0.7
                            width: height * 3
                            text: card.hasButton && card.notification ? card.notification.buttonName : ""
                            enabled: card.hasButton && card.notification ? card.notification.buttonEnabled : false
                            onClicked: card.notification.buttonPressed()
                        }
                    }
                    ProgressBar_rev1 {
                        id: progressBar
                        visible: card.hasProgress && card.notification && card.notification.progressEnabled
                        value: card.hasProgress && card.notification ? card.notification.progress : 0
                        Layout.preferredWidth: textArea.width * 0.85
                        Layout.preferredHeight: 5 * uScale
                    }
                    Text {
                        id: message
                        text: card.notification ? card.notification.message : ""
                        wrapMode: Text.Wrap
                        elide: Text.ElideRight
                        maximumLineCount: card.state === "expanded" ? 10 : 1
                        font.family: ralewayLight.status === FontLoader.Ready ? ralewayLight.font.family : "Raleway"
                        font.weight: Font.Light
                        font.pixelSize: 11 * uScale
                        Layout.preferredWidth: textArea.width - 40 * uScale
                    }
                    Item {
                        Layout.fillHeight: true
                    }
                }
            }

            ColumnLayout {
                Layout.fillHeight: true
                Layout.fillWidth: false
                Layout.preferredWidth: 100 * uScale
                Layout.maximumWidth: 100 * uScale
                spacing: 0

                Rectangle {
                    Layout.fillWidth: true
                    Layout.preferredHeight: 55 * uScale
                    color: "white"
                    Text {
                        anchors.centerIn: parent
                        text: qsTr("CLEAR")
                        font.family: ralewayExtraBold.status === FontLoader.Ready ? ralewayExtraBold.font.family : "Raleway"
                        font.weight: Font.ExtraBold
                        font.pixelSize: 12 * uScale
                    }
                    MouseArea {
                        id: clearArea
                        anchors.fill: parent
                        cursorShape: Qt.PointingHandCursor
                        onClicked: card.notification.deleteSelf()
                    }
                }
                Rectangle {
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    color: "#F3F3F3"
                    Column {
                        anchors.centerIn: parent
                        spacing: 4 * uScale
                        Image {
                            anchors.horizontalCenter: parent.horizontalCenter
                            width: 14 * uScale
                            height: width
                            fillMode: Image.PreserveAspectFit
                            source: "qrc:/Images/GUI/Notifications/arrow_up.png"
                            opacity: card.state === "expanded" ? 1 : 0
                            visible: opacity > 0
                            Behavior on opacity {
                                NumberAnimation { easing.type: Easing.OutQuint }
                            }
                        }
                        Text {
                            anchors.horizontalCenter: parent.horizontalCenter
                            text: card.state === "expanded" ? qsTr("LESS") : qsTr("MORE")
                            color: card.state === "expanded" ? "black" : "#B4B4B5"
                            font.family: ralewayExtraBold.status === FontLoader.Ready ? ralewayExtraBold.font.family : "Raleway"
                            font.weight: Font.ExtraBold
                            font.pixelSize: 12 * uScale
                        }
                    }
                    MouseArea {
                        id: expandArea
                        anchors.fill: parent
                        cursorShape: Qt.PointingHandCursor
                        onClicked: card.notification.setExpanded(card.state !== "expanded")
                    }
                }
            }
        }
    }
}
