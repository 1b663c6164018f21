import QtQuick
import com.ostrel 1.0
import "../../../Qml/OstrelUI/OstrelControls"

// One settings tab: its Refresh and Apply buttons over the list of its rows, each row
// drawn by the file for its type. modelData is the tab.
Item {
    id: tabView

    readonly property var tab: modelData

    SimpleButtonRev3 {
        id: refreshButton
        objectName: "refreshButton"
        x: 0
        y: 10 * uScale
        width: 90 * uScale
        height: 28 * uScale
        text: qsTr("Refresh")
        originalState: "black"
        onClicked: tabView.tab.refresh()
    }
    SimpleButtonRev3 {
        id: applyButton
        objectName: "applyButton"
        x: 110 * uScale
        y: 10 * uScale
        width: 90 * uScale
        height: 28 * uScale
        text: qsTr("Apply")
        originalState: "green"
        enabled: tabView.tab.pendingChanges && !tabView.tab.valueErrorState
        highlighted: tabView.tab.pendingChanges
        onClicked: tabView.tab.applySettings()
    }

    ListView {
        id: rows
        objectName: "settingRows"
        anchors.top: refreshButton.bottom
        anchors.topMargin: 10 * uScale
        anchors.bottom: parent.bottom
        width: tabView.width
        clip: true
        spacing: 2.5 * uScale
        cacheBuffer: 80 * uScale
        model: tabView.tab.settings

        // Each row keeps the width its file gives it.
        delegate: Loader {
            asynchronous: false
            source: {
                switch (modelData.type) {
                case HwSetting.EmptyLine:
                    return "HwSetting_EmptyLine.qml"
                case HwSetting.SectionName:
                    return "HwSetting_SectionName.qml"
                case HwSetting.SubSectionName:
                    return "HwSetting_SubSectionName.qml"
                case HwSetting.String:
                    return "HwSetting_String.qml"
                case HwSetting.IpAddress:
                    return "HwSetting_IpAddress.qml"
                case HwSetting.Bool:
                    return "HwSetting_Bool.qml"
                case HwSetting.Float:
                    return "HwSetting_Float.qml"
                default:
                    return "HwSetting_Int.qml"
                }
            }
        }
    }
}
