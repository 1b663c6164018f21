import QtQuick
import QtQuick.Shapes
import QtQuick.Controls.Material as M
import ostrel.Branding
import ostrel.Controls

// The drop-down field of forms: the chosen entry on a darker pill inside a grey pill,
// with a white triangle at the right end. The popup list is the Material one.
M.ComboBox {
    id: control

    implicitWidth: Math.max(370 + leftInset + rightInset, 330 + leftPadding + rightPadding)
    implicitHeight: Math.max(40 + topInset + bottomInset,
                             implicitContentHeight + topPadding + bottomPadding)

    font.family: "Raleway"
    font.styleName: "Regular"
    font.pixelSize: 24
    font.weight: Font.Normal
    font.capitalization: Font.MixedCase

    topInset: 0
    bottomInset: 0
    leftInset: 0
    rightInset: 0
    verticalPadding: 2
    leftPadding: 2
    // Room for the triangle.
    rightPadding: 40

    background: Rectangle {
        radius: height / 2
        color: OstrelColors.formFieldControlBackground
    }

    contentItem: Label {
        objectName: "displayLabel"
        text: control.displayText
        font: control.font
        maximumLineCount: 1
        elide: Text.ElideRight
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        leftPadding: height
        rightPadding: height

        background: Rectangle {
            radius: height / 2
            color: OstrelColors.formFieldContentBackground
        }
    }

    // Drawn at four times its size and scaled down through a mipmapped layer, which
    // smooths its edges.
    indicator: Shape {
        id: triangle

        property real superScaling: 4
        property real borderWidth: 1

        width: 24 * superScaling
        height: 24 * superScaling
        x: control.width - width - 7
        y: (control.height - height) / 2
        scale: 1 / superScaling
        transformOrigin: Item.Right

        layer.enabled: true
        layer.mipmap: true

        ShapePath {
            id: trianglePath

            property real pathWidth: (16 / Math.sqrt(0.75)) * triangle.superScaling
            property real pathHeight: 16 * triangle.superScaling

            fillColor: OstrelColors.background
            strokeColor: OstrelColors.formFieldContentBackground
            strokeWidth: triangle.borderWidth * triangle.superScaling
            joinStyle: ShapePath.RoundJoin

            startX: 3 * triangle.superScaling
            startY: 5 * triangle.superScaling
            PathLine {
                x: trianglePath.startX + trianglePath.pathWidth / 2
                y: trianglePath.startY + trianglePath.pathHeight
            }
            PathLine {
                x: trianglePath.startX + trianglePath.pathWidth
                y: trianglePath.startY
            }
            PathLine {
                x: trianglePath.startX
                y: trianglePath.startY
            }
        }
    }
}
