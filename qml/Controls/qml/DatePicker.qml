import QtQuick
import QtQuick.Controls.Material as M
import ostrel.Controls

// Picks a day: a month and a year tumbler on the left, with a "Today" button between
// them, and the calendar of the month they show on the right.
M.Control {
    id: control

    property alias selectedDate: calendar.selectedDate
    // The years offered run from minimumYear to the year before maximumYear.
    property int minimumYear: new Date().getFullYear() - 5
    property int maximumYear: new Date().getFullYear() + 10

    // Puts the tumblers back on the selected month and year after an assignment (a
    // new entry count or "Today") has replaced their bindings.
    onSelectedDateChanged: {
        monthTumbler.currentIndex = Qt.binding(() => control.selectedDate.getMonth())
        yearTumbler.currentIndex = Qt.binding(() => years.selectedYearIndex)
    }

    contentItem: Item {
        implicitWidth: Math.max(monthTumbler.implicitWidth, yearTumbler.implicitWidth) + calendar.implicitWidth
        implicitHeight: Math.max(monthTumbler.implicitHeight + yearTumbler.implicitHeight, calendar.implicitHeight)

        ListModel {
            id: months

            Component.onCompleted: {
                for (let month = 0; month < 12; ++month)
                    append({ modelData: Qt.locale().monthName(month) })
            }
        }

        ListModel {
            id: years

            readonly property int currentYear: new Date().getFullYear()
            readonly property int currentYearIndex: currentYear - control.minimumYear
            readonly property int selectedYear: control.selectedDate.getFullYear()
            readonly property int selectedYearIndex: selectedYear - control.minimumYear

            Component.onCompleted: {
                for (let year = control.minimumYear; year < control.maximumYear; ++year)
                    append({ modelData: year })
            }
        }

        FormTumbler {
            id: monthTumbler

            objectName: "monthTumbler"
            anchors.left: parent.left
            anchors.top: parent.top
            bottomInset: 5
            rightInset: 5
            model: months
            currentIndex: control.selectedDate.getMonth()
            onCountChanged: currentIndex = control.selectedDate.getMonth()
        }

        Button {
            objectName: "todayButton"
            anchors.left: parent.left
            anchors.right: calendar.left
            anchors.verticalCenter: calendar.verticalCenter
            height: 42
            rightInset: 5
            topInset: 5
            bottomInset: 5
            text: qsTr("Today")
            // Shows today's month; the selected day stays as it is.
            onClicked: {
                monthTumbler.currentIndex = new Date().getMonth()
                yearTumbler.currentIndex = years.currentYearIndex
            }
        }

        FormTumbler {
            id: yearTumbler

            objectName: "yearTumbler"
            anchors.left: parent.left
            anchors.bottom: parent.bottom
            topInset: 5
            rightInset: 5
            model: years
            currentIndex: years.selectedYearIndex
            onCountChanged: currentIndex = years.selectedYearIndex
        }

        CalendarView {
            id: calendar

            objectName: "calendar"
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.bottom: parent.bottom
            leftInset: 5
            pickable: true
            month: Math.max(monthTumbler.currentIndex, 0)
            year: yearTumbler.currentItem ? Number(yearTumbler.currentItem.modelData) : years.selectedYear
            selectedDate: new Date()
        }
    }
}
