import QtQuick
import QtQuick.Shapes

// A small button that puts a value on the clipboard, drawn as two sheets of paper.
Item {
    id: button

    property alias strokeColor: path.strokeColor
    property alias strokeWidth: path.strokeWidth
    property var valueToCopy

    readonly property alias pressed: mouse.pressed

    height: parent ? parent.height : 0
    width: height * 5 / 6

    Shape {
        id: icon
        anchors.fill: parent
        layer.enabled: true
        layer.samples: 4
        scale: mouse.pressed ? 0.9 : 1.0
        ShapePath {
            id: path
            strokeColor: "black"
            strokeWidth: button.height / 12
            fillColor: "transparent"
            capStyle: ShapePath.RoundCap
            joinStyle: ShapePath.RoundJoin
            scale: Qt.size(button.width / 5, button.height / 6)
            // The rear sheet's visible edges, then the front sheet.
            startX: 1; startY: 2
            PathLine { x: 1; y: 5 }
            PathLine { x: 3; y: 5 }
            PathMove { x: 2; y: 1 }
            PathLine { x: 4; y: 1 }
            PathLine { x: 4; y: 4 }
            PathLine { x: 2; y: 4 }
            PathLine { x: 2; y: 1 }
        }
    }

    // The clipboard is reached through a text editor, which knows how to copy.
    TextEdit {
        id: clipboardBridge
        visible: false
    }

    MouseArea {
        id: mouse
        anchors.fill: parent
        onClicked: button.copy()
    }

    function copy() {
        clipboardBridge.text = button.valueToCopy === undefined || button.valueToCopy === null
                ? "" : String(button.valueToCopy)
        clipboardBridge.selectAll()
        clipboardBridge.copy()
    }
}
