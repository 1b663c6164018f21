import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material

// A hover tip for any item: put it inside the item. It only watches the pointer, so
// clicks reach the items below it.
MouseArea {
    id: area

    enum HPosition {
        OuterLeft,
        InnerLeft,
        Center,
        InnerRight,
        OuterRight
    }
    enum VPosition {
        Below,
        Center,
        Above
    }

    property string buttonToolTip: ""
    property var horizontalPosition: OstToolTip.HPosition.OuterRight
    property var verticalPosition: OstToolTip.VPosition.Below
    // The tip itself, for its users' tests and placements.
    readonly property alias tip: tip

    anchors.fill: parent
    acceptedButtons: Qt.NoButton
    hoverEnabled: true
    propagateComposedEvents: true

    FontLoader {
        id: boldItalic
        source: "qrc:/Fonts/Poppins/Poppins-BoldItalic.ttf"
    }

    function tipX(areaWidth, tipWidth) {
        switch (horizontalPosition) {
        case OstToolTip.HPosition.OuterLeft:
            return -tipWidth
        case OstToolTip.HPosition.InnerLeft:
            return 0
        case OstToolTip.HPosition.Center:
            return areaWidth / 2 - tipWidth / 2
        case OstToolTip.HPosition.InnerRight:
            return areaWidth - tipWidth
        default:
            return areaWidth
        }
    }

    function tipY(areaHeight, tipHeight) {
        switch (verticalPosition) {
        case OstToolTip.VPosition.Center:
            return -tipHeight / 2
        case OstToolTip.VPosition.Above:
            return -tipHeight
        default:
            return areaHeight
        }
    }

    ToolTip {
        id: tip
        text: area.buttonToolTip
        delay: 1000
        visible: area.containsMouse && area.buttonToolTip !== ""
        x: area.tipX(area.width, width)
        y: area.tipY(area.height, height)

        contentItem: Rectangle {
            implicitWidth: label.implicitWidth
            implicitHeight: label.implicitHeight
            radius: 9 * uScale
            clip: true
            border.color: "#E6E6E6"
            border.width: 2
            color: "white"
            Text {
                id: label
                anchors.centerIn: parent
                padding: 2.5 * uScale
                text: tip.text
                color: "#B4B4B5"
                font.family: boldItalic.status === FontLoader.Ready ? boldItalic.font.family : "Poppins"
                font.italic: true
                font.bold: true
                font.pixelSize: 11 * uScale
            }
        }
        background: Pane {
            anchors.centerIn: parent
            width: tip.contentItem.width - 7 * uScale
            height: tip.contentItem.height - 7 * uScale
            Material.elevation: 6
            Material.theme: Material.Light
        }
    }
}
