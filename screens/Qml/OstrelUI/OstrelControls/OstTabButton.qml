import QtQuick
import QtQuick.Controls

// One of a row of overlapping tabs with rounded lower corners. Made as a delegate
// inside a tab bar (it reads the delegate's index): the current tab is red, the tabs
// before it white and the ones after it light grey.
TabButton {
    id: control

    // The tab bar whose current index colours the tab.
    property var tabBarObject
    readonly property bool isCurrent: tabBarObject ? tabBarObject.currentIndex === index : false
    readonly property alias tabShape: tabShape

    text: qsTr("Button")

    FontLoader {
        id: ralewayBold
        source: "qrc:/Fonts/Raleway/static/Raleway-Bold.ttf"
    }

    contentItem: Text {
        text: control.text
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
        leftPadding: index === 0 ? 0 : (control.background.height / 1.8) * uScale
        opacity: control.enabled ? 1.0 : 0.3
        color: control.pressed || control.isCurrent ? "white" : "#CCCBCA"
        font.family: ralewayBold.status === FontLoader.Ready ? ralewayBold.font.family : "Raleway"
        font.pixelSize: 12 * uScale
        font.weight: Font.ExtraBold
    }

    background: Rectangle {
        id: tabBackground
        implicitWidth: 100 * uScale
        implicitHeight: 20 * uScale
        color: "transparent"

        // Reaches past the button on both sides, so that neighbouring tabs overlap.
        Rectangle {
            id: clipper
            x: -(tabBackground.height / 1.8) * uScale
            width: tabBackground.width + (tabBackground.height / 1.8) * 2 * uScale
            height: tabBackground.height * uScale
            color: "transparent"
            clip: true

            Rectangle {
                id: tabShape
                width: clipper.width
                radius: clipper.height / 1.8
                height: clipper.height + radius
                y: -radius * uScale
                border.width: 0.5
                border.color: "#CCCBCA"
                color: control.isCurrent ? "#E5053A"
                       : (control.tabBarObject && index < control.tabBarObject.currentIndex ? "white" : "#F3F3F3")
            }
        }
    }
}
