import QtQuick

// A slim progress bar: value from 0 to 1, or a running stripe while indeterminate.
Item {
    id: bar

    property real value: 0
    property bool indeterminate: false

    implicitWidth: 200 * uScale
    implicitHeight: 5 * uScale

    Rectangle {
        anchors.fill: parent
        radius: height / 2
        color: "#E6E6E6"
    }
    Rectangle {
        id: fill
        height: parent.height
        radius: height / 2
        x: bar.indeterminate ? stripe.position * (bar.width - width) : 0
        width: bar.indeterminate ? bar.width * 0.3 : bar.width * Math.max(0, Math.min(1, bar.value))
        gradient: Gradient {
            orientation: Gradient.Horizontal
            GradientStop { position: 0.0; color: "#3DB199" }
            GradientStop { position: 1.0; color: "#4A4A9D" }
        }
        Behavior on width {
            enabled: !bar.indeterminate
            NumberAnimation { duration: 150 }
        }
    }
    QtObject {
        id: stripe
        property real position: 0
    }
    SequentialAnimation {
        running: bar.indeterminate && bar.visible
        loops: Animation.Infinite
        NumberAnimation { target: stripe; property: "position"; from: 0; to: 1; duration: 900; easing.type: Easing.InOutQuad }
        NumberAnimation { target: stripe; property: "position"; from: 1; to: 0; duration: 900; easing.type: Easing.InOutQuad }
    }
}
