import QtQuick
import QtQuick.Layouts
import QtQuick.Shapes
import QtQuick.Templates as T
import ostrel.Branding

// A collapsible side panel, drawn as if attached to the right edge of the window. The
// items declared inside it are stacked top to bottom in a column that scrolls when it
// does not fit; the arrows on the handle strip at the left collapse the shelf to that
// strip and expand it again.
T.Container {
    id: control

    // The ground of the panel, seen in the frame's opening and outside its outline.
    property color contentColor: OstrelColors.background
    property bool opened: true
    // Whether a tap on the handle may open a collapsed shelf; closing always works.
    property bool manuallyOpenable: true
    property int verticalContentPadding: 34
    property int horizontalContentPadding: 46
    // The radius of every arc of the frame; the handle strip is twice as wide.
    property int contentRadii: 20

    spacing: 32
    topPadding: contentRadii + shelfBackground.shelfBorderHeight
    bottomPadding: contentRadii + shelfBackground.shelfBorderHeight
    leftPadding: opened ? shelfBackground.shelfHandleWidth + 1 : 0
    rightPadding: opened ? 1 : 0

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            opened ? contentWidth + leftPadding + rightPadding : 0)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             contentHeight + topPadding + bottomPadding)

    contentItem: Flickable {
        objectName: "scrollArea"
        visible: control.opened
        clip: true
        flickableDirection: Flickable.AutoFlickIfNeeded
        contentWidth: column.implicitWidth + 2 * control.horizontalContentPadding
        contentHeight: column.implicitHeight + 2 * control.verticalContentPadding
        implicitWidth: contentWidth
        implicitHeight: contentHeight

        ColumnLayout {
            id: column

            objectName: "column"
            anchors.fill: parent
            anchors.leftMargin: control.horizontalContentPadding
            anchors.rightMargin: control.horizontalContentPadding
            anchors.topMargin: control.verticalContentPadding
            anchors.bottomMargin: control.verticalContentPadding
            spacing: control.spacing

            Repeater {
                model: control.contentModel
            }
        }
    }

    background: Rectangle {
        id: shelfBackground

        readonly property int shelfHandleWidth: 2 * control.contentRadii
        readonly property int shelfBorderHeight: 10
        readonly property int handleArrowDimensions: 16
        readonly property int handleArrowSpacing: 12
        readonly property real handleArrowRoundingBorder: 4

        implicitWidth: control.opened ? 2 * control.contentRadii + shelfHandleWidth + 2 : shelfHandleWidth
        implicitHeight: 4 * control.contentRadii + 2 * shelfBorderHeight + 2 + handle.height
        color: control.contentColor
        layer.enabled: true
        layer.samples: 4

        // Reaches one pixel past the right edge, so that the opening runs on there.
        Shape {
            id: frame

            objectName: "frame"
            readonly property real r: control.contentRadii
            readonly property real b: shelfBackground.shelfBorderHeight
            readonly property real h: shelfBackground.shelfHandleWidth
            // The stop where the fill starts to fade into the border colour.
            readonly property real fadeStart: 1 - Math.min(200 / width, 0.4)
            // While opened, the inner outline that cuts the opening out of the frame;
            // closed, only the line that closes the outer outline.
            readonly property string pathText: {
                const W = width, H = height, r = frame.r, b = frame.b, h = frame.h
                if (!control.opened)
                    return `L ${W} 0\nZ`
                const arc = (x, y) => `A ${r} ${r} 0 0 1 ${x} ${y}`
                return [`M ${W} ${H - 2 * r - b}`,
                        arc(W - r, H - r - b),
                        `L ${h + r} ${H - r - b}`,
                        arc(h, H - 2 * r - b),
                        `L ${h} ${2 * r + b}`,
                        arc(h + r, r + b),
                        `L ${W - r} ${r + b}`,
                        arc(W, 2 * r + b),
                        `L ${W} 0`,
                        "Z"].join("\n")
            }

            anchors.right: parent.right
            anchors.rightMargin: -1
            width: control.width
            height: control.height

            ShapePath {
                fillRule: ShapePath.OddEvenFill
                strokeWidth: 2
                strokeColor: OstrelColors.mainBorderColor
                fillGradient: LinearGradient {
                    x1: 0
                    y1: 0
                    x2: frame.width
                    y2: 0

                    GradientStop { position: 0; color: OstrelColors.navigationBarColor }
                    GradientStop { position: frame.fadeStart; color: OstrelColors.navigationBarColor }
                    GradientStop { position: 1; color: OstrelColors.mainBorderColor }
                }

                // The outer outline: the top band curving into the right edge, the
                // rounded left side, and the bottom band curving into the right edge.
                startX: frame.width
                startY: 0
                PathArc {
                    x: frame.width - frame.r
                    y: frame.r
                    radiusX: frame.r
                    radiusY: frame.r
                    direction: PathArc.Clockwise
                }
                PathLine { x: frame.r; y: frame.r }
                PathArc {
                    x: 0
                    y: 2 * frame.r
                    radiusX: frame.r
                    radiusY: frame.r
                    direction: PathArc.Counterclockwise
                }
                PathLine { x: 0; y: frame.height - 2 * frame.r }
                PathArc {
                    x: frame.r
                    y: frame.height - frame.r
                    radiusX: frame.r
                    radiusY: frame.r
                    direction: PathArc.Counterclockwise
                }
                PathLine { x: frame.width - frame.r; y: frame.height - frame.r }
                PathArc {
                    x: frame.width
                    y: frame.height
                    radiusX: frame.r
                    radiusY: frame.r
                    direction: PathArc.Clockwise
                }
                PathSvg { path: frame.pathText }
            }
        }

        // Five arrows pointing the way a tap moves the shelf: right to close, left to open.
        Column {
            id: handle

            objectName: "handle"
            x: shelfBackground.shelfHandleWidth / 2 - shelfBackground.handleArrowDimensions / 2
            y: frame.height / 2 - height / 2
            spacing: shelfBackground.handleArrowSpacing
            transform: Scale {
                origin.x: handle.width / 2
                xScale: control.opened ? -1 : 1
            }

            Repeater {
                model: 5

                Shape {
                    id: arrow

                    width: shelfBackground.handleArrowDimensions - shelfBackground.handleArrowRoundingBorder
                    height: width

                    ShapePath {
                        fillColor: OstrelColors.formFieldToggleFalse
                        strokeColor: OstrelColors.formFieldToggleFalse
                        strokeWidth: shelfBackground.handleArrowRoundingBorder
                        joinStyle: ShapePath.RoundJoin
                        capStyle: ShapePath.RoundCap
                        startX: 0
                        startY: arrow.height / 2
                        PathLine { x: arrow.width; y: 0 }
                        PathLine { x: arrow.width; y: arrow.height }
                        PathLine { x: 0; y: arrow.height / 2 }
                    }
                }
            }

            TapHandler {
                onTapped: {
                    if (control.opened || control.manuallyOpenable)
                        control.opened = !control.opened
                }
            }
        }
    }
}
