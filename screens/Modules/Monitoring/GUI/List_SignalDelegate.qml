import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import "qrc:/Qml/Forms"

// A signal row of the variable list: the signal's name, shape and rate, unfolding into
// a grid with a cell per element. The cells are what the user drags onto the plot
// slots; a drop target reads objectPointer, name and elementIndex from the cell. The
// row's model data gives simulinkVariable, the signal; the loader holding the row
// gives normalHeight, the height of the unfolded row.
Item {
    id: signalRow

    property bool expanded: false
    property bool buttonEnabled: height > 0

    // The loader that holds the row: the row grows and shrinks it.
    readonly property Item host: parent
    readonly property int rowCount: simulinkVariable ? simulinkVariable.rows : 0
    readonly property int columnCount: simulinkVariable ? simulinkVariable.columns : 0
    readonly property bool rateSupported: simulinkVariable ? simulinkVariable.ODR !== 0 : false
    readonly property bool boardRunning: ostFactory.selectedDevice !== null && ostFactory.selectedDevice !== undefined
                                         && ostFactory.selectedDevice.appRunning === true
    // The cells can be dragged.
    readonly property bool dragEnabled: rateSupported && expanded && boardRunning
    readonly property real unfoldedHeight: host && host.normalHeight !== undefined
                                           ? host.normalHeight
                                           : (40 + 30 * Math.min(rowCount, 5) + (columnCount > 9 ? 20 : 0)) * uScale
    readonly property alias grid: gridLoader

    width: parent ? parent.width : 0

    function setDragActive(active) {
        if (typeof mainLayout !== "undefined" && mainLayout)
            mainLayout.dragActive = active
    }

    // The state follows expanded once the row sits in its loader.
    onExpandedChanged: state = expanded ? "expanded" : "collapsed"
    Component.onCompleted: state = expanded ? "expanded" : "collapsed"

    Rectangle {
        anchors.fill: parent
        color: "white"
    }

    RowLayout {
        id: header
        height: 30 * uScale
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        // Inside the folded row's 35u, above the element frame at 35u.
        anchors.topMargin: 2.5 * uScale
        anchors.leftMargin: 10 * uScale
        anchors.rightMargin: 10 * uScale
        spacing: 9 * uScale

        Rectangle {
            id: expandButton
            Layout.preferredWidth: 25 * uScale
            Layout.preferredHeight: 25 * uScale
            Layout.alignment: Qt.AlignVCenter
            radius: 12.5 * uScale
            color: "#8E9297"

            Rectangle {
                anchors.centerIn: parent
                width: 12 * uScale
                height: 2.8 * uScale
                radius: height / 2
                color: "white"
            }
            Rectangle {
                anchors.centerIn: parent
                width: 2.8 * uScale
                height: 12 * uScale
                radius: width / 2
                color: "white"
                visible: !signalRow.expanded
            }
            MouseArea {
                anchors.fill: parent
                enabled: signalRow.buttonEnabled
                onClicked: signalRow.expanded = !signalRow.expanded
            }
        }

        Rectangle {
            id: nameBar
            Layout.fillWidth: true
            Layout.fillHeight: true
            radius: height / 2
            color: "#F3F3F3"

            FontLoader {
                id: semiBold
                source: "qrc:/Fonts/Poppins/Poppins-SemiBold.ttf"
            }
            FontLoader {
                id: ralewayLight
                source: "qrc:/Fonts/Raleway/static/Raleway-Light.ttf"
            }

            OstToolTip {
                horizontalPosition: OstToolTip.HPosition.InnerLeft
                verticalPosition: OstToolTip.VPosition.Below
                buttonToolTip: simulinkVariable ? simulinkVariable.path : ""
            }

            RowLayout {
                id: nameRow
                anchors.fill: parent
                // The rate's own padding makes up the rest of the 15u outer margin.
                anchors.rightMargin: 10 * uScale
                spacing: 0

                Text {
                    id: nameText
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    elide: Text.ElideRight
                    leftPadding: 15 * uScale
                    rightPadding: 10 * uScale
                    topPadding: 0.2 * font.pixelSize
                    verticalAlignment: Text.AlignVCenter
                    horizontalAlignment: Text.AlignRight
                    text: simulinkVariable ? simulinkVariable.name : ""
                    color: "#1D252F"
                    font.family: semiBold.status === FontLoader.Ready ? semiBold.font.family : "Poppins"
                    font.weight: Font.DemiBold
                    font.pixelSize: 13 * uScale
                }

                Rectangle {
                    id: dimensionCell
                    Layout.fillHeight: true
                    Layout.preferredWidth: 0.15 * nameRow.width
                    color: "transparent"

                    Rectangle {
                        x: -width / 2
                        width: 1 * uScale
                        height: parent.height
                        antialiasing: true
                        color: "#CCCCCC"
                    }
                    Rectangle {
                        x: parent.width - width / 2
                        width: 1 * uScale
                        height: parent.height
                        antialiasing: true
                        color: "#CCCCCC"
                    }
                    Text {
                        id: dimensionText
                        anchors.centerIn: parent
                        topPadding: 0.2 * font.pixelSize
                        text: signalRow.rowCount + " • " + signalRow.columnCount
                        color: "#B4B4B5"
                        font.family: semiBold.status === FontLoader.Ready ? semiBold.font.family : "Poppins"
                        font.weight: Font.DemiBold
                        font.pixelSize: 13 * uScale
                    }
                }

                Text {
                    id: rateText
                    property bool supported: signalRow.rateSupported
                    Layout.fillHeight: true
                    Layout.minimumWidth: rateMetrics.advanceWidth + 25 * uScale
                    Layout.preferredWidth: 0.25 * nameRow.width
                    rightPadding: 5 * uScale
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                    text: supported ? qsTr(simulinkVariable.ODR + " HZ") : qsTr("ODR")
                    color: supported ? "black" : "#E31F40"
                    font.family: semiBold.status === FontLoader.Ready ? semiBold.font.family : "Poppins"
                    font.weight: Font.DemiBold
                    font.pixelSize: 13 * uScale

                    TextMetrics {
                        id: rateMetrics
                        font: rateText.font
                        text: rateText.text
                    }

                    OstToolTip {
                        id: rateTip
                        horizontalPosition: OstToolTip.HPosition.InnerLeft
                        verticalPosition: OstToolTip.VPosition.Below
                        buttonToolTip: rateText.supported
                                       ? ""
                                       : qsTr("The Output Data Rate of this signal is not ") + qsTr("supported at this time.")
                    }
                }
            }
        }
    }

    Loader {
        id: gridLoader
        active: false
        opacity: 0
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.topMargin: 35 * uScale
        anchors.leftMargin: 44 * uScale

        sourceComponent: Rectangle {
            id: gridFrame
            width: nameBar.width
            height: (30 * Math.min(signalRow.rowCount, 5) + (signalRow.columnCount > 8 ? 20 : 0)) * uScale
            radius: 15 * uScale
            color: "#F3F3F3"

            Flickable {
                id: flickable
                anchors.left: parent.left
                anchors.top: parent.top
                width: parent.width - 7.5 * uScale
                height: parent.height
                clip: true
                flickableDirection: Flickable.HorizontalAndVerticalFlick
                contentWidth: cellGrid.width + 2.5 * uScale
                contentHeight: cellGrid.height + 2.5 * uScale

                ScrollBar.horizontal: ScrollBar {
                    id: horizontalBar
                    height: 22 * uScale
                    visible: size < 1.0
                    contentItem: Item {
                        implicitHeight: 7 * uScale
                        Rectangle {
                            anchors.centerIn: parent
                            width: parent.width - 20 * uScale
                            height: 7 * uScale
                            radius: height / 2
                            color: "#3DB199"
                            visible: horizontalBar.size < 1.0 && horizontalBar.active
                        }
                    }
                    background: Item {
                        Rectangle {
                            anchors.centerIn: parent
                            width: parent.width - 20 * uScale
                            height: 1 * uScale
                            color: "#3DB199"
                            visible: horizontalBar.size < 1.0 && horizontalBar.active
                        }
                    }
                }

                GridLayout {
                    id: cellGrid
                    anchors.left: parent.left
                    anchors.top: parent.top
                    anchors.leftMargin: 2.5 * uScale
                    anchors.topMargin: 2.5 * uScale
                    columns: Math.max(1, signalRow.columnCount)
                    columnSpacing: 5 * uScale
                    rowSpacing: 5 * uScale
                    clip: true

                    Repeater {
                        model: signalRow.rowCount * signalRow.columnCount

                        // The cell's place in the grid; the cell leaves it while dragged.
                        Item {
                            id: slot
                            implicitWidth: 41.5 * uScale
                            implicitHeight: 25 * uScale

                            Rectangle {
                                id: cell
                                objectName: "elementCell"
                                readonly property int row: Math.trunc(index / signalRow.columnCount)
                                readonly property int col: index % signalRow.columnCount
                                readonly property var objectPointer: simulinkVariable
                                readonly property point elementIndex: Qt.point(row, col)
                                readonly property bool dragActive: dragArea.drag.active
                                readonly property string name: (simulinkVariable ? simulinkVariable.name : "")
                                                                + "[" + (row + 1) + "•" + (col + 1) + "]"
                                property point beginDrag: Qt.point(0, 0)
                                readonly property alias dragArea: dragArea
                                readonly property alias label: cellLabel
                                readonly property alias startMark: startMark

                                width: slot.width
                                height: slot.height
                                anchors.centerIn: dragActive ? undefined : slot
                                radius: height / 2
                                color: dragArea.containsMouse ? "#CCCCCC" : "#E6E6E6"

                                Drag.keys: ["plotItem"]
                                Drag.dragType: Drag.Automatic
                                // A platform drag carries its mime formats, not its keys,
                                // to the drop areas: the key goes as a format too.
                                Drag.mimeData: { "plotItem": "" }

                                Behavior on opacity {
                                    NumberAnimation { easing.type: Easing.OutQuint }
                                }

                                Text {
                                    id: cellLabel
                                    anchors.centerIn: parent
                                    topPadding: 3 * uScale
                                    text: (cell.row + 1) + "•" + (cell.col + 1)
                                    color: "#1D252F"
                                    font.family: semiBold.status === FontLoader.Ready ? semiBold.font.family : "Poppins"
                                    font.weight: Font.DemiBold
                                    font.pixelSize: 13 * uScale
                                }

                                MouseArea {
                                    id: dragArea
                                    anchors.fill: parent
                                    preventStealing: true
                                    hoverEnabled: true
                                    enabled: signalRow.dragEnabled
                                    drag.target: cell
                                    drag.smoothed: false
                                    onPressed: cell.beginDrag = Qt.point(cell.x, cell.y)

                                    drag.onActiveChanged: {
                                        if (drag.active) {
                                            signalRow.setDragActive(true)
                                            cell.Drag.hotSpot = Qt.point(mouseX, mouseY)
                                            cell.opacity = 0
                                            startMark.open()
                                            cell.Drag.active = true
                                        } else {
                                            signalRow.setDragActive(false)
                                            cell.Drag.drop()
                                            cell.x = cell.beginDrag.x
                                            cell.y = cell.beginDrag.y
                                            cell.opacity = 1
                                            startMark.close()
                                        }
                                    }
                                }
                            }

                            // Marks where the dragged cell came from. Made at the cell's
                            // first drag: a large signal has thousands of cells.
                            Loader {
                                id: startMark
                                active: false
                                sourceComponent: Item {
                                    readonly property alias popup: popup
                                    Popup {
                                        id: popup
                                        property int sizeDiv: Math.trunc(50 * uScale)
                                        parent: slot
                                        x: cell.beginDrag.x + (slot.width - width) / 2
                                        y: cell.beginDrag.y + (slot.height - height) / 2
                                        width: hRef / sizeDiv
                                        height: hRef / sizeDiv
                                        padding: 0
                                        closePolicy: Popup.NoAutoClose
                                        background: Item {}
                                        contentItem: Rectangle {
                                            width: popup.width
                                            height: popup.height
                                            radius: width / 2
                                            color: "#CCCCCC"
                                        }
                                        enter: Transition {
                                            NumberAnimation { property: "opacity"; from: 0.0; to: 1.0 }
                                        }
                                        exit: Transition {
                                            NumberAnimation { property: "opacity"; from: 1.0; to: 0.0 }
                                        }
                                    }
                                }

                                function open() {
                                    active = true
                                    item.popup.open()
                                }

                                function close() {
                                    if (item)
                                        item.popup.close()
                                }
                            }
                        }
                    }
                }
            }
        }
    }

    states: [
        State {
            name: "collapsed"
            PropertyChanges { target: signalRow.host; height: 35 * uScale }
            PropertyChanges { target: gridLoader; active: false; opacity: 0 }
        },
        State {
            name: "expanded"
            PropertyChanges { target: signalRow.host; height: signalRow.unfoldedHeight }
            PropertyChanges { target: gridLoader; active: true; opacity: 1 }
        }
    ]

    transitions: [
        Transition {
            from: "collapsed"
            to: "expanded"
            SequentialAnimation {
                NumberAnimation { target: signalRow.host; property: "height"; duration: 250; easing.type: Easing.Linear }
                PropertyAction { target: gridLoader; property: "active" }
                NumberAnimation { target: gridLoader; property: "opacity"; duration: 250; easing.type: Easing.Linear }
            }
        },
        Transition {
            from: "expanded"
            to: "collapsed"
            SequentialAnimation {
                NumberAnimation { target: gridLoader; property: "opacity"; duration: 250; easing.type: Easing.Linear }
                PropertyAction { target: gridLoader; property: "active" }
                NumberAnimation { target: signalRow.host; property: "height"; duration: 250; easing.type: Easing.Linear }
            }
        }
    ]
}
