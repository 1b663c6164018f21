import QtQuick
import QtQuick.Layouts
import QtQuick.Controls.Material as M
import ostrel.Branding

// A month on a rounded card: the day names above a grid of the month's days. Today has
// a grey circle and the selected day a blue one; while pickable, a tap on a day of the
// month selects it. The days the grid shows of the neighbouring months are blank.
M.Control {
    id: control

    property alias month: grid.month
    property alias year: grid.year
    property bool pickable: false
    // Invalid until a day is picked or set: then no day shows as selected.
    property date selectedDate
    property int horizontalOuterMargins: 26
    property int topOuterMargin: 10
    property int bottomOuterMargin: 20
    property int textSize: 18

    horizontalPadding: horizontalOuterMargins
    bottomPadding: bottomOuterMargin
    // Room above the grid for the row of day names.
    topPadding: topOuterMargin + textSize + 16

    contentItem: M.MonthGrid {
        id: grid

        objectName: "monthGrid"

        delegate: Item {
            id: day

            required property var model
            readonly property bool isInCurrentMonth: model.month === control.month
            readonly property bool isSelected: model.year === control.selectedDate.getFullYear()
                                               && model.month === control.selectedDate.getMonth()
                                               && model.day === control.selectedDate.getDate()

            implicitWidth: 30
            implicitHeight: 30
            opacity: isInCurrentMonth ? 1 : 0

            TapHandler {
                enabled: day.isInCurrentMonth && control.pickable
                onTapped: control.selectedDate = day.model.date
            }

            Rectangle {
                objectName: "circle"
                anchors.fill: parent
                radius: width / 2
                visible: day.model.today || day.isSelected
                color: day.isSelected ? OstrelColors.textFieldForeground : OstrelColors.formFieldControlBackground
            }

            Text {
                objectName: "dayNumber"
                anchors.centerIn: parent
                text: day.model.day
                font.family: "Raleway"
                font.pixelSize: control.textSize
                font.weight: day.isSelected ? Font.Bold : Font.Normal
                color: day.isSelected ? OstrelColors.selectedTextColor : OstrelColors.secondaryTextColor
            }
        }
    }

    background: Rectangle {
        implicitWidth: 295
        implicitHeight: 234
        radius: 20
        color: OstrelColors.formFieldLabelBackground

        M.DayOfWeekRow {
            objectName: "dayNames"
            anchors.top: parent.top
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.leftMargin: control.horizontalOuterMargins
            anchors.rightMargin: control.horizontalOuterMargins
            anchors.topMargin: control.topOuterMargin
            locale: grid.locale

            delegate: Text {
                required property var model

                text: model.shortName.slice(0, 2)
                font.family: "Raleway"
                font.italic: true
                font.pixelSize: control.textSize
                color: OstrelColors.formFieldToggleFalse
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignTop
                Layout.fillWidth: true
            }
        }
    }
}
