import QtQuick
import QtQuick.Shapes

// The chart's data cursor: a vertical line that follows the pointer, or stays where
// it was fixed with a click, and the time under it.
Rectangle {
    id: cursor

    property var chartView: null
    property real dynamicMouseX: 0
    property real fixedMouseX: 0
    // The chart's time at the line.
    property real cursorX: 0
    property bool fix: false
    property real caretDepth: fix ? 10 * uScale : 0

    signal dataCursorUpdate()

    function update() {
        if (chartView && chartView.series(0)) {
            cursorX = chartView.mapToValue(Qt.point(x + width / 2, y + height / 2), chartView.series(0)).x
        }
        dataCursorUpdate()
    }

    width: (fix ? 1.5 : 0.8) * uScale
    x: fix ? fixedMouseX : dynamicMouseX - width / 2
    color: "#CCCBCA"

    onXChanged: update()
    onFixChanged: fixedMouseX = dynamicMouseX - width / 2

    Timer {
        interval: 500
        repeat: true
        running: cursor.visible
        onTriggered: cursor.update()
    }

    Behavior on caretDepth { SpringAnimation { spring: 4; damping: 0.4 } }

    Repeater {
        model: 2

        Shape {
            required property int index
            readonly property bool atTop: index === 0
            x: cursor.width / 2
            y: atTop ? 0 : cursor.height
            visible: cursor.fix
            opacity: cursor.fix ? 1 : 0
            Behavior on opacity { NumberAnimation { duration: 100 } }

            ShapePath {
                fillColor: "#F3F3F3"
                strokeColor: "#CCCBCA"
                strokeWidth: 1 * uScale
                startX: -10 * uScale
                startY: 0
                PathLine { x: 10 * uScale; y: 0 }
                PathLine { x: 0; y: (index === 0 ? 1 : -1) * cursor.caretDepth }
                PathLine { x: -10 * uScale; y: 0 }
            }
        }
    }
}
