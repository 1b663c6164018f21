import QtQuick

// The title of one column of a file list, with a mark for the direction the list is
// sorted in. A click sorts by this column: first downwards, then alternating.
Item {
    id: item

    property string labelName: "value"
    readonly property alias indicator: indicator

    signal sort(string labelName, string direction)

    state: "inactiveSortable"

    FontLoader {
        id: regular
        source: "qrc:/Fonts/Poppins/Poppins-Regular.ttf"
    }
    FontLoader {
        id: extraLight
        source: "qrc:/Fonts/Poppins/Poppins-ExtraLight.ttf"
    }

    MouseArea {
        id: mouse
        anchors.fill: parent
        onClicked: {
            item.state = item.state === "down" ? "up" : "down"
            item.sort(item.labelName, item.state)
        }
    }

    Text {
        id: title
        anchors.centerIn: parent
        text: item.labelName
        font.pixelSize: hRef * 14 / 1080
        font.family: extraLight.status === FontLoader.Ready ? extraLight.font.family : "Poppins"
        font.weight: Font.ExtraLight
    }

    Image {
        id: indicator
        anchors.left: title.right
        anchors.leftMargin: hRef * 5 / 1080
        anchors.verticalCenter: title.verticalCenter
        width: sourceSize.width / 2
        height: sourceSize.height / 2
        fillMode: Image.PreserveAspectFit
        mipmap: true
        source: "qrc:/Images/GUI/FileViewer/HeaderLabels/LabelSortIcon.png"
        transform: [
            Rotation {
                id: turn
                origin.x: indicator.width / 2
                origin.y: indicator.height / 2
                angle: 0
                Behavior on angle {
                    SpringAnimation { spring: 3; damping: 0.2; modulus: 360 }
                }
            },
            Scale {
                id: squash
                origin.x: indicator.width / 2
                origin.y: indicator.height / 2
                yScale: 0.2
                Behavior on yScale {
                    NumberAnimation {}
                }
            }
        ]
    }

    states: [
        State {
            name: "up"
            PropertyChanges { target: turn; angle: 0 }
            PropertyChanges { target: squash; yScale: 1 }
            PropertyChanges { target: title; font.family: regular.status === FontLoader.Ready ? regular.font.family : "Poppins"; font.weight: Font.Normal }
        },
        State {
            name: "down"
            PropertyChanges { target: turn; angle: 180 }
            PropertyChanges { target: squash; yScale: 1 }
            PropertyChanges { target: title; font.family: regular.status === FontLoader.Ready ? regular.font.family : "Poppins"; font.weight: Font.Normal }
        },
        State {
            name: "inactiveSortable"
            PropertyChanges { target: turn; angle: 270 }
            PropertyChanges { target: squash; yScale: 0.3 }
        },
        State {
            name: "nonSortable"
            PropertyChanges { target: indicator; visible: false }
            PropertyChanges { target: mouse; enabled: false }
        }
    ]
}
