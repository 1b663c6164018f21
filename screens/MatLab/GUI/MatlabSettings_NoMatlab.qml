import QtQuick

// What the toolchain panel shows when this computer has no MATLAB.
Item {
    Column {
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 2.5 * uScale

        MatlabSettingRow {
            label: "Matlab Version"
            value: "No Matlab installation was found on this system"
        }

        MatlabSettingRow {
            label: "Toolchain Version"
            value: "No toolchain installation was found on this system"
        }

        MatlabSettingRow {
            label: "Reinstall Toolchain"
            value: "Please install Matlab before installing the toolchain"
        }
    }
}
