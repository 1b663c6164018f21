import QtQuick
import QtQuick.Templates as T

// A tool button whose face is the maker's logo with a menu mark over it. What a click
// does is up to the document that places it.
T.ToolButton {
    id: control

    implicitWidth: Math.max(96 + leftInset + rightInset,
                            implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(40 + topInset + bottomInset,
                             implicitContentHeight + topPadding + bottomPadding)

    contentItem: null

    background: Image {
        id: logo

        source: "qrc:/images/logo/Ostrel_Footer_logo.svg"
        sourceSize: Qt.size(width, height)
        fillMode: Image.PreserveAspectFit

        Image {
            objectName: "menuMark"
            x: logo.width / 5
            y: 0
            width: logo.width * 2 / 5
            height: logo.height
            source: "qrc:/images/UIAssets/3-bars.svg"
            sourceSize: Qt.size(width, height)
            fillMode: Image.PreserveAspectFit
        }
    }
}
