import QtQuick
import ostrel.Branding

// A round check mark showing the check state of another control. It draws no ring or
// background: the control that uses it provides the surface behind the dot.
Item {
    id: indicator

    // The check box whose state is shown.
    property Item control
    property int checkState: control ? control.checkState : Qt.Unchecked

    implicitWidth: 18
    implicitHeight: 18

    Rectangle {
        objectName: "dot"
        anchors.centerIn: parent
        width: parent.width * 0.8
        height: parent.height * 0.8
        radius: width / 2
        color: OstrelColors.accentColor
        visible: indicator.checkState !== Qt.Unchecked
        scale: indicator.checkState === Qt.PartiallyChecked ? 0 : 1

        Behavior on scale {
            NumberAnimation { duration: 100 }
        }
    }

    states: [
        State {
            name: "checked"
            when: indicator.checkState === Qt.Checked
        },
        State {
            name: "partiallychecked"
            when: indicator.checkState === Qt.PartiallyChecked
        },
        State {
            name: "unchecked"
            when: indicator.checkState === Qt.Unchecked
        }
    ]

    // Every change dips the whole indicator by two pixels and back.
    transitions: Transition {
        SequentialAnimation {
            NumberAnimation {
                target: indicator
                property: "scale"
                to: 1 - 2 / indicator.width
                duration: 120
            }
            NumberAnimation {
                target: indicator
                property: "scale"
                to: 1
                duration: 120
            }
        }
    }
}
