import QtQuick
import ostrel.Branding

// One device in a device list: its serial number, its service name and a Connect
// button. Made as a list view's delegate, it spans the list's width.
Rectangle {
    id: entry

    property string serial
    property string servicename

    signal connect

    readonly property alias connectButton: connectButton

    height: 30
    width: ListView.view ? ListView.view.width : implicitWidth
    radius: 15
    color: OstrelColors.toolBarColor

    Text {
        id: serialColumn
        anchors.left: parent.left
        anchors.verticalCenter: parent.verticalCenter
        width: 100
        text: entry.serial
        font.family: "Poppins SemiBold"
        horizontalAlignment: Text.AlignRight
        leftPadding: 10
        rightPadding: 10
        Accessible.name: "Serial number"
    }
    Rectangle {
        id: divider
        anchors.left: serialColumn.right
        width: 1
        height: entry.height
        color: OstrelColors.mainBorderColor
    }
    Text {
        objectName: "Name"
        anchors.left: divider.right
        anchors.leftMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        text: entry.servicename
        font.family: "Raleway"
        Accessible.name: entry.servicename
    }
    Button {
        id: connectButton
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        height: entry.height
        topInset: 3
        bottomInset: 3
        rightInset: 3
        text: qsTr("Connect")
        Accessible.name: "Connect"
        onClicked: entry.connect()
    }
}
