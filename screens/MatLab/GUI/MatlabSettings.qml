import QtQuick

// The toolchain panel of the global settings: the MATLAB releases of this computer
// with the toolchain installed in each, or a note that there is no MATLAB. The panel
// tells the installer whether it is seen, so that running installations show their
// progress as notifications while it is not.
Rectangle {
    id: matlabSettings

    width: parent ? parent.width : 0
    height: 100 * uScale
    anchors.horizontalCenter: parent ? parent.horizontalCenter : undefined

    Column {
        anchors.top: parent.top
        anchors.topMargin: 50 * uScale
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 50 * uScale

        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: "Matlab Toolchain"
            font.family: "Poppins Black"
            font.pixelSize: 15 * uScale
            color: "#1D252F"
        }

        Item {
            width: matlabSettings.width
            height: 300 * uScale

            Loader {
                id: listLoader
                objectName: "matlabList"
                anchors.fill: parent
                sourceComponent: ListView {
                    spacing: 20 * uScale
                    clip: true
                    model: toolchainInstall.installedMatlabs
                    delegate: MatlabListDelegate {}
                }
                onLoaded: toolchainInstall.setVisibility(visible)
                onVisibleChanged: toolchainInstall.setVisibility(visible)
            }

            Loader {
                objectName: "noMatlab"
                anchors.fill: parent
                source: "MatlabSettings_NoMatlab.qml"
                visible: listLoader.item !== null && listLoader.item.count === 0
            }
        }
    }
}
