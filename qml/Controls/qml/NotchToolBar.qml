import QtQuick
import QtQuick.Shapes
import QtQuick.Templates as T
import ostrel.Branding

// A tool bar drawn as a notch: full width along its top edge, narrowing through two
// curved sides, each as wide as the bar is high, to a shorter bottom edge. The items
// declared inside it are placed between the curves; the screen arranges them.
T.ToolBar {
    id: control

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            contentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             contentHeight + topPadding + bottomPadding)

    horizontalPadding: height
    verticalPadding: 5
    spacing: 16

    background: Item {
        implicitHeight: 50
        implicitWidth: 2 * implicitHeight

        Shape {
            id: notch

            objectName: "notch"
            readonly property real leftCurveWidth: control.leftPadding - control.leftInset
            readonly property real rightCurveWidth: control.rightPadding - control.rightInset

            anchors.fill: parent
            layer.enabled: true
            layer.samples: 4

            // Left open along the top: the fill closes it there, the stroke does not.
            ShapePath {
                fillColor: OstrelColors.toolBarColor
                strokeColor: OstrelColors.mainBorderColor
                strokeWidth: 2
                capStyle: ShapePath.SquareCap
                joinStyle: ShapePath.RoundJoin
                startX: 0
                startY: 0

                PathCubic {
                    objectName: "leftCurve"
                    x: notch.leftCurveWidth
                    y: notch.height - 1
                    control1X: 2 * notch.leftCurveWidth / 3
                    control1Y: 0
                    control2X: notch.leftCurveWidth / 3
                    control2Y: notch.height
                }
                // One pixel above the bottom, so that the stroke stays inside the item.
                PathLine {
                    objectName: "bottomEdge"
                    x: notch.width - notch.rightCurveWidth
                    y: notch.height - 1
                }
                PathCubic {
                    objectName: "rightCurve"
                    x: notch.width
                    y: 0
                    control1X: notch.width - notch.rightCurveWidth / 3
                    control1Y: notch.height - 1
                    control2X: notch.width - 2 * notch.rightCurveWidth / 3
                    control2Y: -1
                }
            }
        }
    }
}
