import QtQuick

// The monitoring workspace: the charts on the left, and on the right a foldable panel
// with the variables of the model that runs on the selected board. Signal elements
// are dragged from the list onto the charts; parameters are tuned in the list.
Item {
    id: workspace

    // How many automatic monitoring requests were made for the selected board (up to 2).
    property int timerFailureFlag: 0

    readonly property var board: ostFactory.selectedDevice
    readonly property bool boardSelected: board !== null && board !== undefined
    readonly property bool applicationRuns: boardSelected && board.appRunning
    readonly property alias workPanel: workPanel
    readonly property alias listPanel: listPanel
    readonly property alias rightSide: rightSide
    readonly property alias retryTimer: retryTimer
    readonly property alias runApplicationText: runApplicationText
    readonly property alias cannotStartText: cannotStartText

    // Centred in its parent and 5u smaller (the view stack fills pages to itself).
    anchors.fill: parent
    anchors.margins: 2.5 * uScale

    function requestMonitoring() {
        if (boardSelected && !board.externalMonitor)
            board.startMonitoring()
    }

    onVisibleChanged: {
        if (visible)
            requestMonitoring()
    }
    Component.onCompleted: {
        if (visible)
            requestMonitoring()
    }

    Connections {
        target: ostFactory
        function onSelectedDeviceChanged() { workspace.timerFailureFlag = 0 }
    }

    Row {
        id: mainLayout

        // Set by the signal rows while one of their elements is dragged; the charts
        // show their drop slots meanwhile.
        property bool dragActive: false

        width: workspace.width
        height: workspace.height - 10 * uScale
        y: 7 * uScale
        spacing: 2 * uScale

        FontLoader {
            id: poppinsSemiBoldFont
            source: "qrc:/Fonts/Poppins/Poppins-SemiBold.ttf"
        }

        WorkPanel {
            id: workPanel
            width: mainLayout.width - rightSide.width
            height: mainLayout.height

            Timer {
                id: retryTimer
                interval: 2000
                repeat: false
                running: workspace.boardSelected && !workspace.board.monitoringServiceRunning
                         && workspace.board.appRunning
                onTriggered: {
                    if (!workspace.boardSelected)
                        return
                    workspace.board.startMonitoring()
                    console.log("requested startMonitoring by autoTimer WidgetWorkspace")
                    if (workspace.timerFailureFlag < 2)
                        workspace.timerFailureFlag++
                }
            }

            Text {
                id: runApplicationText
                anchors.centerIn: parent
                visible: workspace.boardSelected && !workspace.board.appRunning
                text: qsTr("Run an application on your device")
                font.family: poppinsSemiBoldFont.status === FontLoader.Ready ? poppinsSemiBoldFont.font.family
                                                                             : "Poppins"
                font.weight: Font.DemiBold
                font.pixelSize: 24 * uScale
            }

            Text {
                id: cannotStartText
                anchors.centerIn: parent
                visible: workspace.timerFailureFlag === 2 && workspace.boardSelected && workspace.board.appRunning
                         && !workspace.board.monitoringServiceRunning
                text: qsTr("Can't Start Monitoring, Please restart your device")
                font: runApplicationText.font
            }
        }

        Rectangle {
            id: rightSide

            width: 470 * uScale
            height: mainLayout.height
            radius: 12 * uScale
            border.width: 1 * uScale
            border.color: "#CCCCCC"
            // The strip's area does not track hovering: this shows while it is pressed.
            color: foldArea.containsMouse ? "#FFFFFF" : "#F3F3F3"
            state: "expanded"

            Rectangle {
                id: listContainer
                height: rightSide.height - 10 * uScale
                width: rightSide.width - 27 * uScale
                radius: 10 * uScale
                anchors.right: parent.right
                anchors.rightMargin: 5 * uScale
                anchors.verticalCenter: parent.verticalCenter
                border.width: 1
                border.color: "#CCCCCC"

                ListPanel {
                    id: listPanel
                    anchors.centerIn: parent
                    width: listContainer.width - 10 * uScale
                    height: listContainer.height - 10 * uScale
                    board: workspace.board
                }
            }

            Rectangle {
                id: foldStrip
                width: 22 * uScale
                height: 200 * uScale
                anchors.left: parent.left
                anchors.verticalCenter: parent.verticalCenter
                color: "transparent"

                Image {
                    width: 10 * uScale
                    height: 75 * uScale
                    anchors.left: parent.left
                    anchors.leftMargin: 6 * uScale
                    anchors.verticalCenter: parent.verticalCenter
                    fillMode: Image.PreserveAspectFit
                    source: "qrc:/Images/ImageAssets/buttons/ExpandIcon.png"
                    rotation: rightSide.state === "expanded" ? 180 : 0
                }

                MouseArea {
                    id: foldArea
                    objectName: "foldArea"
                    anchors.fill: parent
                    onClicked: rightSide.state = rightSide.state === "expanded" ? "folded" : "expanded"
                }
            }

            states: [
                State {
                    name: "expanded"
                    PropertyChanges { target: rightSide; width: 470 * uScale }
                    PropertyChanges { target: listContainer; width: rightSide.width - 27 * uScale; opacity: 1 }
                },
                State {
                    name: "folded"
                    PropertyChanges { target: rightSide; width: 22 * uScale }
                    PropertyChanges { target: listContainer; width: 0; opacity: 0 }
                }
            ]
            transitions: [
                Transition {
                    to: "expanded"
                    SequentialAnimation {
                        NumberAnimation { target: rightSide; property: "width"; easing.type: Easing.Linear }
                        NumberAnimation { target: listContainer; property: "width"; easing.type: Easing.Linear }
                        NumberAnimation { target: listContainer; property: "opacity"; easing.type: Easing.Linear }
                    }
                },
                Transition {
                    to: "folded"
                    SequentialAnimation {
                        NumberAnimation { target: listContainer; property: "opacity"; easing.type: Easing.Linear }
                        NumberAnimation { target: rightSide; property: "width"; easing.type: Easing.Linear }
                        NumberAnimation { target: listContainer; property: "width"; easing.type: Easing.Linear }
                    }
                }
            ]
        }
    }
}
