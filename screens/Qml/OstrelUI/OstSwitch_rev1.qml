import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Controls.Material.impl

// An on/off switch: a small gradient track with a ball that slides to the right when
// the switch is on.
Switch {
    id: control

    // Fills the switch's pill with light grey.
    property bool backgroundAvailable: true
    readonly property alias track: track
    readonly property alias ball: ball
    readonly property alias disabledVeil: veil

    width: 200 * uScale
    height: 50 * uScale

    indicator: Rectangle_RoundClip {
        id: pill
        width: control.width
        height: control.height
        radius: height / 2
        color: "white"
        clipContent: pillContent

        Rectangle {
            id: pillContent
            anchors.fill: parent
            opacity: 0.0
            color: control.backgroundAvailable ? "#E5E5E5" : "transparent"

            Rectangle_RoundClip {
                id: track
                anchors.centerIn: parent
                height: pillContent.height / 2
                width: pillContent.height * 23 / 26
                radius: pillContent.height / 2
                clipContent: housing

                Rectangle {
                    id: housing
                    anchors.fill: parent
                    opacity: 0.0
                    rotation: -60
                    gradient: Gradient {
                        orientation: Gradient.Horizontal
                        GradientStop { position: 0.0; color: "#C1C2C3" }
                        GradientStop { position: 1.0; color: "#353940" }
                    }
                    layer.enabled: true
                    layer.effect: ElevationEffect {
                        elevation: control.hovered ? 3 : 2
                    }
                }
                Rectangle {
                    id: ball
                    width: track.height
                    height: track.height
                    radius: height / 2
                    x: control.checked ? track.width - width : 0
                    color: control.checked ? "#3DB199" : "#B4B4B5"
                    Behavior on color {
                        ColorAnimation {}
                    }
                    Behavior on x {
                        NumberAnimation { duration: 200; easing.type: Easing.OutQuint }
                    }
                }
                Rectangle {
                    id: veil
                    anchors.fill: housing
                    color: "white"
                    radius: height / 2
                    opacity: 0
                    visible: false
                    state: control.enabled ? "" : "disabled"
                    states: State {
                        name: "disabled"
                        PropertyChanges { target: veil; opacity: 0.5; visible: true }
                    }
                    transitions: [
                        Transition {
                            to: "disabled"
                            SequentialAnimation {
                                PropertyAction { target: veil; property: "visible" }
                                NumberAnimation { target: veil; property: "opacity"; duration: 250 }
                            }
                        },
                        Transition {
                            from: "disabled"
                            SequentialAnimation {
                                NumberAnimation { target: veil; property: "opacity"; duration: 250 }
                                PropertyAction { target: veil; property: "visible" }
                            }
                        }
                    ]
                }
            }
        }
    }
}
