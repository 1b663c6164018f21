import QtQuick
import ostrel.Branding
import ostrel.Controls

// An open Dialog over a window, as the device list opens it to connect another device.
ApplicationWindow {
    id: window

    width: 1200
    height: 800
    visible: true
    title: "Dialog"
    color: OstrelColors.background

    Column {
        x: 40
        y: 40
        spacing: 20

        Label { text: "The window behind the dialog is dimmed." }
        Button { text: "Connect other device" }
        CheckBox { text: "Remember the address"; width: 360; checked: true }
    }

    Dialog {
        id: dialog

        anchors.centerIn: parent
        title: "Connect other device"
        standardButtons: Dialog.Ok | Dialog.Cancel

        contentItem: TextField {
            implicitWidth: 420
            placeholderText: "Device Address"
            text: "10.0.0.7"
        }

        Component.onCompleted: {
            standardButton(Dialog.Ok).text = "Connect"
            open()
        }
    }
}
