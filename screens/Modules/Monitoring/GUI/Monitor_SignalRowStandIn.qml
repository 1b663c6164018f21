import QtQuick

// A plain row for one signal until the variable list's own row takes its place: the
// name, the shape and the rate, and once unfolded one cell per element that is
// dragged onto a chart's slots.
Item {
    id: row

    readonly property var signalObject: model.simulinkVariable
    readonly property int rows: signalObject ? signalObject.rows : 0
    readonly property int columns: signalObject ? signalObject.columns : 0
    readonly property bool supported: signalObject ? signalObject.ODR !== 0 : false
    property bool expanded: false

    width: parent ? parent.width : 0
    height: expanded ? parent.normalHeight : 35 * uScale
    Component.onCompleted: if (parent) parent.height = Qt.binding(() => row.height)

    Rectangle {
        anchors.fill: parent
        color: "white"
    }

    Rectangle {
        id: header
        x: 10 * uScale
        y: 3 * uScale
        width: parent.width - 20 * uScale
        height: 30 * uScale
        radius: height / 2
        color: "#F3F3F3"

        Rectangle {
            id: expandButton
            width: 25 * uScale
            height: width
            radius: width / 2
            anchors.verticalCenter: parent.verticalCenter
            color: "#8E9297"
            Text {
                anchors.centerIn: parent
                text: row.expanded ? "\u2212" : "+"
                color: "white"
                font.pixelSize: 16 * uScale
            }
            MouseArea {
                anchors.fill: parent
                onClicked: row.expanded = !row.expanded
            }
        }
        Text {
            anchors.left: expandButton.right
            anchors.leftMargin: 10 * uScale
            anchors.right: shape.left
            anchors.verticalCenter: parent.verticalCenter
            elide: Text.ElideRight
            text: row.signalObject ? row.signalObject.name : ""
            font.pixelSize: 13 * uScale
            color: "#1D252F"
        }
        Text {
            id: shape
            anchors.right: rate.left
            anchors.rightMargin: 15 * uScale
            anchors.verticalCenter: parent.verticalCenter
            text: row.rows + " \u2022 " + row.columns
            font.pixelSize: 13 * uScale
            color: "#B4B4B5"
        }
        Text {
            id: rate
            anchors.right: parent.right
            anchors.rightMargin: 15 * uScale
            anchors.verticalCenter: parent.verticalCenter
            text: row.supported ? row.signalObject.ODR + " HZ" : qsTr("ODR")
            color: row.supported ? "black" : "#E31F40"
            font.pixelSize: 13 * uScale
        }
    }

    Grid {
        id: cells
        x: 44 * uScale
        y: 38 * uScale
        visible: row.expanded
        columns: Math.max(1, row.columns)
        spacing: 5 * uScale

        Repeater {
            model: row.expanded ? row.rows * row.columns : 0

            Rectangle {
                id: cell
                required property int index
                readonly property int cellRow: Math.floor(index / row.columns)
                readonly property int cellColumn: index % row.columns
                // What a chart's slot reads from the drag source.
                readonly property var objectPointer: row.signalObject
                readonly property point elementIndex: Qt.point(cellRow, cellColumn)
                readonly property string name: row.signalObject.name + "[" + (cellRow + 1) + "\u2022"
                                               + (cellColumn + 1) + "]"

                width: 41.5 * uScale
                height: 25 * uScale
                radius: height / 2
                color: dragArea.containsMouse ? "#CCCCCC" : "#E6E6E6"

                Drag.keys: ["plotItem"]
                Drag.active: dragArea.drag.active
                Drag.hotSpot.x: width / 2
                Drag.hotSpot.y: height / 2

                Text {
                    anchors.centerIn: parent
                    text: (cell.cellRow + 1) + "\u2022" + (cell.cellColumn + 1)
                    font.pixelSize: 13 * uScale
                    color: "#1D252F"
                }

                MouseArea {
                    id: dragArea
                    property point start
                    anchors.fill: parent
                    hoverEnabled: true
                    preventStealing: true
                    enabled: row.supported && ostFactory.selectedDevice && ostFactory.selectedDevice.appRunning
                    drag.target: cell
                    onPressed: start = Qt.point(cell.x, cell.y)
                    drag.onActiveChanged: {
                        mainLayout.dragActive = drag.active
                        if (!drag.active) {
                            cell.Drag.drop()
                            cell.x = start.x
                            cell.y = start.y
                        }
                    }
                }
            }
        }
    }
}
