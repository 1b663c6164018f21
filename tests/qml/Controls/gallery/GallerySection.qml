import QtQuick
import ostrel.Branding

// A row of gallery cells under a heading.
Column {
    id: section

    property string title
    default property alias cells: row.data

    spacing: 10

    Text {
        text: section.title
        font.family: "Poppins SemiBold"
        font.pixelSize: 18
        color: OstrelColors.primaryTextColor
    }

    Flow {
        id: row

        width: section.width
        spacing: 28
    }
}
