import QtQuick
import QtQuick.Shapes

// The container of a text field. Outlined: a rounded outline whose top edge opens for
// a floating placeholder. Filled: a filled shape with rounded top corners and a line
// at the bottom that turns into the focus colour while the field has focus.
Shape {
    id: container

    property bool filled: false
    property color fillColor
    property color outlineColor
    property color focusedOutlineColor
    // The width of the floating placeholder, which the gap in the outline leaves room for.
    property real placeholderTextWidth: 0
    property bool controlHasActiveFocus: false
    property bool controlHasText: false
    property bool placeholderHasText: false
    // Where the placeholder starts, from the left edge.
    property real horizontalPadding: 0

    readonly property real cornerRadius: 4
    readonly property real penWidth: filled ? 1 : (controlHasActiveFocus ? 2 : 1)

    // How far the gap in the top outline is open, from 0 (closed) to 1. Only a change
    // of focus opens or closes it gently, and only while the field is empty.
    property real gapOpening: 0

    function settleGap(gently) {
        gapAnimation.stop()
        const target = !filled && placeholderHasText && (controlHasActiveFocus || controlHasText) ? 1 : 0
        if (gently && gapOpening !== target) {
            gapAnimation.to = target
            gapAnimation.start()
        } else {
            gapOpening = target
        }
    }

    onControlHasActiveFocusChanged: settleGap(!controlHasText && placeholderHasText)
    onControlHasTextChanged: settleGap(false)
    onPlaceholderHasTextChanged: settleGap(false)
    onFilledChanged: settleGap(false)
    Component.onCompleted: settleGap(false)

    NumberAnimation {
        id: gapAnimation

        target: container
        property: "gapOpening"
        duration: 300
    }

    // The gap runs from gapStart to gapEnd, with a little space beside the text.
    readonly property real gapPadding: 4
    readonly property real gapCenter: horizontalPadding + placeholderTextWidth / 2
    readonly property real gapStart: gapOpening > 0
                                     ? gapCenter - gapOpening * placeholderTextWidth / 2 - gapPadding - penWidth
                                     : cornerRadius
    readonly property real gapEnd: gapOpening > 0 ? gapCenter + gapOpening * placeholderTextWidth / 2 + gapPadding
                                                  : cornerRadius
    readonly property real gapWidth: gapEnd - gapStart

    // How far the focus line of a filled container has spread, from 0 to 1.
    property real focusLineSpread: filled && controlHasActiveFocus ? 1 : 0
    Behavior on focusLineSpread {
        enabled: container.controlHasActiveFocus && !container.controlHasText
        NumberAnimation { duration: 300 }
    }

    readonly property color lineColor: filled ? fillColor
                                              : (controlHasActiveFocus ? focusedOutlineColor : outlineColor)

    // Smooth curves on every back end.
    layer.enabled: true
    layer.samples: 4

    ShapePath {
        id: outline

        // The path's corners keep the pen inside the item.
        readonly property real left: container.penWidth / 2
        readonly property real top: container.penWidth / 2
        readonly property real right: container.width - container.penWidth / 2
        readonly property real bottom: container.height - container.penWidth / 2
        readonly property real radius: container.cornerRadius
        readonly property real bottomRadius: container.filled ? 0 : radius

        strokeColor: container.lineColor
        strokeWidth: container.penWidth
        fillColor: container.filled ? container.fillColor : "transparent"
        capStyle: ShapePath.FlatCap

        startX: left + container.gapStart
        startY: top
        PathLine { x: outline.left + outline.radius; y: outline.top }
        PathArc {
            x: outline.left
            y: outline.top + outline.radius
            radiusX: outline.radius
            radiusY: outline.radius
            direction: PathArc.Counterclockwise
        }
        PathLine { x: outline.left; y: outline.bottom - outline.bottomRadius }
        PathArc {
            x: outline.left + outline.bottomRadius
            y: outline.bottom
            radiusX: outline.bottomRadius
            radiusY: outline.bottomRadius
            direction: PathArc.Counterclockwise
        }
        PathLine { x: outline.right - outline.bottomRadius; y: outline.bottom }
        PathArc {
            x: outline.right
            y: outline.bottom - outline.bottomRadius
            radiusX: outline.bottomRadius
            radiusY: outline.bottomRadius
            direction: PathArc.Counterclockwise
        }
        PathLine { x: outline.right; y: outline.top + outline.radius }
        PathArc {
            x: outline.right - outline.radius
            y: outline.top
            radiusX: outline.radius
            radiusY: outline.radius
            direction: PathArc.Counterclockwise
        }
        PathLine { x: outline.left + container.gapEnd; y: outline.top }
    }

    Rectangle {
        objectName: "activeIndicator"
        visible: container.filled && container.focusLineSpread < 1
        anchors.bottom: parent.bottom
        width: parent.width
        height: 1
        color: container.outlineColor
    }

    Rectangle {
        objectName: "focusIndicator"
        visible: container.filled && container.focusLineSpread > 0
        anchors.bottom: parent.bottom
        anchors.horizontalCenter: parent.horizontalCenter
        width: parent.width * container.focusLineSpread
        height: 2
        color: container.focusedOutlineColor
    }
}
