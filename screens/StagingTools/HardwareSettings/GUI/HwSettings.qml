import QtQuick

// The Hardware Setup screen: the settings tab the board settings editor built for
// the selected board. Showing the screen is what makes the editor read the board.
Item {
    id: hwSettings
    anchors.fill: parent

    Component.onCompleted: HardwareSettings.setVisibility(true)
    onVisibleChanged: HardwareSettings.setVisibility(visible)

    Repeater {
        model: HardwareSettings.settingsTabs

        Column {
            anchors.centerIn: parent
            width: 960 * uScale - 4 * frameBorderWidth
            height: hwSettings.height - 70 * uScale
            spacing: 10 * uScale

            HwSettings_PanelCategorized {
                width: parent.width
                height: parent.height
            }
        }
    }
}
