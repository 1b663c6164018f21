import QtQuick
import QtQuick.Shapes

// A round progress indicator: a ring that fills from green to indigo, with the
// percentage shown while the pointer rests on it; in busy mode it turns instead.
Rectangle {
    id: bar

    property real progress: 0
    property bool busy: false
    property real progressDisplay: busy ? 0.4 : progress
    // The whole percentage, cut (never rounded up to 100 before the end).
    readonly property int percent: Math.floor(progress * 100)
    readonly property alias percentLabel: percentLabel
    readonly property alias hovered: mouse.containsMouse

    signal finished

    radius: height / 2

    onProgressChanged: {
        if (progress === 1.0)
            finished()
    }

    FontLoader {
        id: extraBold
        source: "qrc:/Fonts/Raleway/static/Raleway-ExtraBold.ttf"
    }

    RotationAnimator on rotation {
        from: 360
        to: 0
        duration: 2000
        loops: Animation.Infinite
        running: bar.busy
    }

    Shape {
        id: ring
        anchors.fill: parent
        ShapePath {
            strokeWidth: 1
            strokeColor: "white"
            fillGradient: ConicalGradient {
                centerX: bar.width / 2
                centerY: bar.height / 2
                angle: 0
                GradientStop { position: 0; color: "#3DB199" }
                GradientStop { position: bar.progressDisplay; color: "#4A4A9D" }
                GradientStop { position: bar.progressDisplay + 0.1 < 1.0 ? bar.progressDisplay + 0.1 : 1.0; color: "#EAEAEA" }
                GradientStop { position: bar.progressDisplay + 0.1 < 0.9 ? 0.9 : 1.0; color: "#EAEAEA" }
                GradientStop { position: 1.00; color: "white" }
            }
            PathAngleArc {
                centerX: bar.width / 2
                centerY: bar.height / 2
                radiusX: 0.96 * bar.width / 2
                radiusY: 0.96 * bar.height / 2
                startAngle: -180
                sweepAngle: 360
            }
        }
    }

    Rectangle {
        id: mask
        anchors.centerIn: parent
        width: (mouse.containsMouse ? 0.777 : 0.577) * bar.width
        height: width
        radius: width / 2
        color: "#FFFFFF"
        Behavior on width {
            NumberAnimation { duration: 100 }
        }

        Text {
            id: percentLabel
            anchors.centerIn: parent
            textFormat: Text.RichText
            text: bar.percent + "%"
            color: "#181344"
            font.family: extraBold.status === FontLoader.Ready ? extraBold.font.family : "Raleway"
            font.weight: Font.ExtraBold
            font.pixelSize: Math.max(1, 0.3 * bar.height)
            opacity: mouse.containsMouse ? 1 : 0
            Behavior on opacity {
                NumberAnimation { duration: 100 }
            }
        }
    }

    MouseArea {
        id: mouse
        anchors.fill: parent
        hoverEnabled: !bar.busy
    }
}
