import QtQuick
import QtQuick.Shapes
import "qrc:/Qml/OstrelUI/OstrelControls"

// The value read-out over a chart: the time under the data cursor and, for each slot
// that shows a signal, its value there (or its newest value while no cursor shows).
Rectangle {
    id: view

    property var plt: null
    // The chart's plot slots (a repeater of four).
    property var itemModel: null
    property var data_cursor: null
    property bool showX: true
    property bool showLatestY: false
    property real maxWidth: 0
    property real bottomLineOffset: 0
    // The values shown for the four slots.
    property var values: [0, 0, 0, 0]
    readonly property bool anyY: (slotShown(0) || slotShown(1) || slotShown(2) || slotShown(3))
    readonly property alias content: content

    function slotAt(index) {
        return itemModel && itemModel.count > index ? itemModel.itemAt(index) : null
    }
    function slotShown(index) {
        const slot = slotAt(index)
        return slot !== null && slot.name !== ""
    }
    function updateValues() {
        if (!plt)
            return
        const next = []
        for (let i = 0; i < 4; ++i)
            next.push(showLatestY ? plt.getLatestValue(i)
                                  : plt.getValueAtTime(i, data_cursor ? data_cursor.cursorX : 0))
        values = next
    }

    color: "transparent"
    width: content.width
    height: content.height
    opacity: width <= maxWidth - 100 * uScale ? 1 : 0

    Connections {
        target: view.data_cursor
        function onDataCursorUpdate() { view.updateValues() }
    }
    onShowLatestYChanged: updateValues()

    FontLoader {
        id: poppinsSemiBold
        source: "qrc:/Fonts/Poppins/Poppins-SemiBold.ttf"
    }
    readonly property font textFont: Qt.font({
        family: poppinsSemiBold.status === FontLoader.Ready ? poppinsSemiBold.font.family : "Poppins",
        pixelSize: Math.max(1, 12 * uScale)
    })

    Shape {
        id: notch
        property real notchHeight: content.width > 0 ? 20 * uScale : 0
        Behavior on notchHeight { NumberAnimation {} }
        x: -50 * uScale
        y: 0
        z: -1

        ShapePath {
            strokeColor: "#CCCBCA"
            strokeWidth: 1 * uScale
            fillColor: "#F3F3F3"
            startX: 0
            startY: 0
            PathCubic {
                x: 50 * uScale; y: notch.notchHeight
                control1X: 30 * uScale; control1Y: 0
                control2X: 20 * uScale; control2Y: notch.notchHeight
            }
            PathLine { x: content.width + 50 * uScale; y: notch.notchHeight }
            PathCubic {
                x: content.width + 100 * uScale; y: 0
                control1X: content.width + 80 * uScale; control1Y: notch.notchHeight
                control2X: content.width + 70 * uScale; control2Y: 0
            }
        }
    }

    Row {
        id: content
        spacing: 10 * uScale

        Row {
            visible: view.showX
            opacity: view.showX ? 1 : 0
            Behavior on opacity { NumberAnimation {} }
            spacing: 4 * uScale
            Text { text: "x:"; font: view.textFont }
            Text {
                objectName: "cursorValue"
                width: 65 * uScale
                text: view.data_cursor ? view.data_cursor.cursorX.toFixed(2) : ""
                font: view.textFont
            }
        }
        Rectangle {
            visible: view.showX && view.anyY
            width: 1 * uScale
            height: 14 * uScale
            anchors.verticalCenter: parent.verticalCenter
            color: "#CCCCCC"
        }
        Text {
            visible: view.anyY
            text: "y:"
            font: view.textFont
        }

        Repeater {
            model: 4

            Row {
                id: slotValue
                required property int index
                readonly property real value: view.values[index]
                readonly property var slotItem: view.itemModel && view.itemModel.count > index
                                                ? view.itemModel.itemAt(index) : null
                visible: slotItem !== null && slotItem.name !== ""
                spacing: 2 * uScale

                CopyButton {
                    anchors.verticalCenter: parent.verticalCenter
                    width: 14 * uScale
                    height: 14 * uScale
                    strokeColor: slotValue.slotItem ? slotValue.slotItem.color : "black"
                    valueToCopy: slotValue.value
                }
                Text {
                    width: 5 * uScale
                    text: slotValue.value < 0 ? "-" : ""
                    color: slotValue.slotItem ? slotValue.slotItem.color : "black"
                    font: view.textFont
                }
                Text {
                    objectName: "slotValue"
                    text: Math.abs(slotValue.value).toPrecision(5)
                    color: slotValue.slotItem ? slotValue.slotItem.color : "black"
                    font: view.textFont
                }
            }
        }
    }
}
