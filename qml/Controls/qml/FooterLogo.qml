import QtQuick
import QtQuick.Controls.Material as M
import ostrel.Controls

// The footer block: the maker's logo and wordmark, the year of the build, and the
// application's name and version.
M.Control {
    id: control

    topPadding: 30
    bottomPadding: 30
    rightPadding: 20

    contentItem: Item {
        implicitWidth: childrenRect.width
        implicitHeight: childrenRect.height

        Image {
            id: logo

            objectName: "logo"
            x: 0
            y: 0
            width: 192
            height: 80
            source: "qrc:/images/logo/Ostrel_Footer_logo.svg"
            sourceSize: Qt.size(width, height)
            fillMode: Image.PreserveAspectFit
        }

        Image {
            id: wordmark

            objectName: "wordmark"
            anchors.left: logo.right
            anchors.leftMargin: 40
            anchors.top: logo.top
            anchors.topMargin: 9
            width: 117
            height: 23
            source: "qrc:/images/logo/registered/Ostrel_Wordmark_black.svg"
            sourceSize: Qt.size(2 * width, 2 * height)
            fillMode: Image.PreserveAspectFit
            mipmap: true
        }

        Text {
            objectName: "year"
            anchors.left: wordmark.right
            anchors.leftMargin: 10
            anchors.top: wordmark.top
            anchors.bottom: wordmark.bottom
            text: qsTr("%1").arg(BuildInfo.buildDateTime.getFullYear())
            font.family: "Poppins"
            font.styleName: "Light"
            font.pointSize: 17
            verticalAlignment: Text.AlignVCenter
        }

        Text {
            objectName: "nameAndVersion"
            anchors.left: logo.right
            anchors.leftMargin: 40
            anchors.bottom: logo.bottom
            text: Qt.application.name + " | " + Qt.application.version
            font.family: "Poppins"
            font.styleName: "Light"
            font.pointSize: 17
            font.capitalization: Font.AllUppercase
            font.kerning: true
            font.letterSpacing: 3.5
            verticalAlignment: Text.AlignVCenter
        }
    }
}
