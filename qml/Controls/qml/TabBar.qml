import QtQuick
import QtQuick.Templates as T

// A row of tabs that, together with the content panel they switch, draws one
// continuous outline. The bar paints nothing itself: every TabButton draws its share.
T.TabBar {
    id: control

    // The radius of every curve of the tabs in this bar.
    property int contentRadius: 20

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            contentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(implicitBackgroundHeight + topInset + bottomInset,
                             contentHeight + topPadding + bottomPadding)

    contentItem: ListView {
        model: control.contentModel
        currentIndex: control.currentIndex
        orientation: ListView.Horizontal
        boundsBehavior: Flickable.StopAtBounds
        flickableDirection: Flickable.AutoFlickIfNeeded
        snapMode: ListView.SnapToItem
    }

    background: null
}
