import QtQuick
import "../../../Qml/OstrelUI"

// An on/off row.
HwSetting_BaseContainer {
    title: modelData.name
    controlWidth: 120 / 1080 * hRef

    control: Component {
        Item {
            OstSwitch_rev1 {
                id: toggle
                objectName: "switch"
                x: 16.5 * uScale
                anchors.verticalCenter: parent.verticalCenter
                width: 80 * uScale
                height: 26 * uScale
                onToggled: modelData.boolValueUpdated(checked)
            }
            // Follows the row also after the user toggled the switch.
            Binding {
                target: toggle
                property: "checked"
                value: modelData.boolPosition
            }
        }
    }
}
