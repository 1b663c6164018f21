import QtQuick
import "../../Qml/OstrelUI/OstrelControls"

// One MATLAB release of the toolchain panel (modelData is its InstalledMatlabEntry):
// the release, its toolchain, the buttons that install or remove it, and the last
// message of a running installation.
Column {
    id: entry

    anchors.horizontalCenter: parent ? parent.horizontalCenter : undefined
    spacing: 2.5 * uScale

    MatlabSettingRow {
        label: "Matlab Version"
        value: modelData.readableMatlabVersion
    }

    MatlabSettingRow {
        label: "Tool Chain Version"
        value: modelData.toolchainVersion
    }

    MatlabSettingRow {
        label: "Update Toolchain "

        Row {
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            spacing: 20 * uScale

            SimpleButtonRev3 {
                objectName: "installButton"
                originalState: "black"
                width: 140 * uScale
                height: 23 * uScale
                text: modelData.isInstalled ? "ReInstall" : "Install"
                onClicked: modelData.install()
            }

            SimpleButtonRev3 {
                objectName: "uninstallButton"
                originalState: "black"
                width: 140 * uScale
                height: 23 * uScale
                visible: modelData.isInstalled
                text: "uninstall"
                onClicked: modelData.uninstall()
            }
        }
    }

    MatlabSettingRow {
        objectName: "messageRow"
        visible: modelData.readableMsg !== ""
        label: "Matlab Message"
        value: modelData.readableMsg
    }
}
