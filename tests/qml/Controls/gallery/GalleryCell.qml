import QtQuick
import ostrel.Branding

// One control of a gallery with a caption naming its state.
Column {
    id: cell

    property string caption
    default property alias content: holder.data

    spacing: 6

    Text {
        text: cell.caption
        font.family: "Raleway"
        font.pixelSize: 14
        color: OstrelColors.secondaryTextColor
    }

    Item {
        id: holder

        width: childrenRect.width
        height: childrenRect.height
    }
}
