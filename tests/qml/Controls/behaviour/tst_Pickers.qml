import QtQuick
import QtTest
import ostrel.Branding
import ostrel.Controls
import "colours.js" as Colours

TestCase {
    id: testCase

    name: "Pickers"
    width: 900
    height: 600
    visible: true
    when: windowShown

    Component {
        id: calendarComponent
        CalendarView { month: 1; year: 2024 }
    }
    Component {
        id: datePickerComponent
        DatePicker {}
    }
    Component {
        id: tumblerComponent
        FormTumbler { model: ["a", "b", "c", "d", "e", "f", "g", "h", "i", "j"] }
    }
    Component {
        id: timeFieldComponent
        FormTimeField {}
    }

    function find(item, predicate) {
        const objects = item.data === undefined ? [] : item.data
        for (let i = 0; i < objects.length; ++i) {
            const c = objects[i]
            if (predicate(c))
                return c
            const found = find(c, predicate)
            if (found)
                return found
        }
        return null
    }

    function named(item, name) {
        return find(item, c => c.objectName === name)
    }

    // The day cells of a calendar, by day of the month: the shown month's and, apart,
    // the neighbours' that complete its weeks.
    function dayCells(calendar) {
        const grid = named(calendar, "monthGrid")
        const cells = { inMonth: {}, outside: [] }
        const collect = item => {
            for (let i = 0; i < item.children.length; ++i) {
                const c = item.children[i]
                if (c.isInCurrentMonth !== undefined) {
                    if (c.isInCurrentMonth)
                        cells.inMonth[c.model.day] = c
                    else
                        cells.outside.push(c)
                } else {
                    collect(c)
                }
            }
        }
        collect(grid.contentItem)
        return cells
    }

    function sameDay(a, b) {
        return a.getFullYear() === b.getFullYear() && a.getMonth() === b.getMonth() && a.getDate() === b.getDate()
    }

    // A leap year's February has 29 days; the neighbours' days are there but blank.
    function test_calendarShowsItsMonth_data() {
        return [
            { tag: "February 2024", month: 1, year: 2024, days: 29 },
            { tag: "February 2023", month: 1, year: 2023, days: 28 },
            { tag: "February 2100", month: 1, year: 2100, days: 28 },
            { tag: "December 2024", month: 11, year: 2024, days: 31 }
        ]
    }

    function test_calendarShowsItsMonth(data) {
        const calendar = createTemporaryObject(calendarComponent, testCase, { month: data.month, year: data.year })
        const cells = dayCells(calendar)
        compare(Object.keys(cells.inMonth).length, data.days)
        verify(cells.outside.length > 0)
        for (const cell of cells.outside)
            compare(cell.opacity, 0)
        compare(cells.inMonth[1].opacity, 1)
        compare(calendar.topPadding, 44)
        compare(calendar.leftPadding, 26)
        compare(calendar.bottomPadding, 20)
    }

    // While pickable, a tap on a day of the month selects it; a tap on a neighbour's
    // day, or any tap while not pickable, changes nothing.
    function test_calendarTaps_data() {
        return [
            { tag: "leap day", pickable: true, target: 29, picked: new Date(2024, 1, 29) },
            { tag: "first day", pickable: true, target: 1, picked: new Date(2024, 1, 1) },
            { tag: "neighbouring month", pickable: true, target: "outside", picked: null },
            { tag: "not pickable", pickable: false, target: 12, picked: null }
        ]
    }

    function test_calendarTaps(data) {
        const calendar = createTemporaryObject(calendarComponent, testCase, { pickable: data.pickable })
        waitForRendering(calendar)
        const cells = dayCells(calendar)
        const cell = data.target === "outside" ? cells.outside[cells.outside.length - 1] : cells.inMonth[data.target]
        mouseClick(cell)
        if (data.picked === null) {
            verify(isNaN(calendar.selectedDate.getTime()), "nothing is selected: " + calendar.selectedDate)
            return
        }
        verify(sameDay(calendar.selectedDate, data.picked), calendar.selectedDate)
        verify(cell.isSelected)
        const circle = named(cell, "circle")
        const number = named(cell, "dayNumber")
        verify(circle.visible)
        verify(Colours.near(circle.color, OstrelColors.textFieldForeground))
        verify(Colours.near(number.color, OstrelColors.selectedTextColor))
        compare(number.font.weight, Font.Bold)
        compare(number.text, String(data.target))
    }

    // Today has a grey circle; selected, it gets the blue one.
    function test_today() {
        const now = new Date()
        const calendar = createTemporaryObject(calendarComponent, testCase,
                                               { month: now.getMonth(), year: now.getFullYear() })
        const today = dayCells(calendar).inMonth[now.getDate()]
        const circle = named(today, "circle")
        verify(circle.visible)
        verify(Colours.near(circle.color, OstrelColors.formFieldControlBackground))
        compare(named(today, "dayNumber").font.weight, Font.Normal)
        calendar.selectedDate = now
        verify(Colours.near(circle.color, OstrelColors.textFieldForeground))
    }

    // The day names are the first two letters of the locale's short names, from the
    // locale's first day of the week.
    function test_dayNames() {
        const calendar = createTemporaryObject(calendarComponent, testCase)
        waitForRendering(calendar)
        const row = named(calendar.background, "dayNames")
        const texts = []
        const collect = item => {
            for (let i = 0; i < item.children.length; ++i) {
                const c = item.children[i]
                if (c.text !== undefined && c.font !== undefined)
                    texts.push(c)
                else
                    collect(c)
            }
        }
        collect(row.contentItem)
        compare(texts.length, 7)
        const locale = calendar.locale
        for (let i = 0; i < 7; ++i) {
            const day = (locale.firstDayOfWeek + i) % 7
            compare(texts[i].text, locale.dayName(day, Locale.ShortFormat).slice(0, 2))
            verify(texts[i].font.italic)
        }
    }

    // The year list runs from the minimum year to the year before the maximum.
    function test_datePickerYears_data() {
        const year = new Date().getFullYear()
        return [
            { tag: "defaults", properties: {}, first: year - 5, last: year + 9 },
            { tag: "2020 to 2035", properties: { minimumYear: 2020, maximumYear: 2035 }, first: 2020, last: 2034 }
        ]
    }

    function test_datePickerYears(data) {
        const picker = createTemporaryObject(datePickerComponent, testCase, data.properties)
        const years = named(picker.contentItem, "yearTumbler")
        compare(years.count, data.last - data.first + 1)
        compare(years.model.get(0).modelData, data.first)
        compare(years.model.get(years.count - 1).modelData, data.last)
        const months = named(picker.contentItem, "monthTumbler")
        compare(months.count, 12)
        compare(months.model.get(0).modelData, Qt.locale().monthName(0))
        // Created today, the picker shows today's month and year.
        const now = new Date()
        compare(months.currentIndex, now.getMonth())
        compare(Number(years.currentItem.modelData), now.getFullYear())
        verify(sameDay(picker.selectedDate, now))
    }

    // A selected date turns both tumblers and the calendar to its month; a tap on the
    // calendar selects a day and the tumblers follow.
    function test_datePickerSelection() {
        const picker = createTemporaryObject(datePickerComponent, testCase, { minimumYear: 2020, maximumYear: 2035 })
        const months = named(picker.contentItem, "monthTumbler")
        const years = named(picker.contentItem, "yearTumbler")
        const calendar = named(picker.contentItem, "calendar")
        picker.selectedDate = new Date(2028, 1, 29)
        compare(months.currentIndex, 1)
        compare(years.currentIndex, 8)
        tryCompare(calendar, "year", 2028)
        compare(calendar.month, 1)
        waitForRendering(picker)
        const cells = dayCells(calendar)
        verify(cells.inMonth[29].isSelected)

        mouseClick(cells.inMonth[12])
        verify(sameDay(picker.selectedDate, new Date(2028, 1, 12)), picker.selectedDate)
        compare(months.currentIndex, 1)
        compare(years.currentIndex, 8)
    }

    // "Today" turns the tumblers to today's month without changing the selected day;
    // selecting a date afterwards puts them on that date again.
    function test_todayButton() {
        const picker = createTemporaryObject(datePickerComponent, testCase)
        const months = named(picker.contentItem, "monthTumbler")
        const years = named(picker.contentItem, "yearTumbler")
        const calendar = named(picker.contentItem, "calendar")
        const now = new Date()
        const earlier = new Date(now.getFullYear() - 2, (now.getMonth() + 6) % 12, 3)
        picker.selectedDate = earlier
        compare(months.currentIndex, earlier.getMonth())
        waitForRendering(picker)

        mouseClick(named(picker.contentItem, "todayButton"))
        compare(months.currentIndex, now.getMonth())
        tryCompare(calendar, "year", now.getFullYear())
        compare(calendar.month, now.getMonth())
        verify(sameDay(picker.selectedDate, earlier))

        picker.selectedDate = new Date(now.getFullYear() - 1, 0, 15)
        compare(months.currentIndex, 0)
        tryCompare(calendar, "year", now.getFullYear() - 1)
    }

    // Hours and minutes show with two digits; setting a value turns its tumbler.
    function test_timeField() {
        const field = createTemporaryObject(timeFieldComponent, testCase, { hourValue: 7, minuteValue: 5 })
        compare([field.implicitWidth, field.implicitHeight], [122, 112])
        const hours = named(field.contentItem, "hours")
        const minutes = named(field.contentItem, "minutes")
        compare(hours.count, 24)
        compare(minutes.count, 60)
        tryCompare(hours.currentItem, "text", "07")
        compare(minutes.currentItem.text, "05")
        compare(named(field.background, "band").height, 32)
        field.hourValue = 13
        compare(hours.currentIndex, 13)
        tryCompare(hours.currentItem, "text", "13")
        tryVerify(() => Colours.near(hours.currentItem.color, OstrelColors.textFieldForeground))
    }

    // The wheel turns a FormTumbler back and a FormTimeField forward; a turn of less
    // than a notch moves only where the fraction rounds towards zero past an entry.
    // Wrapping lists wrap round from their ends.
    function test_wheel_data() {
        return [
            { tag: "tumbler, one notch away", kind: "tumbler", from: 5, delta: 120, to: 4 },
            { tag: "tumbler, one notch towards", kind: "tumbler", from: 5, delta: -120, to: 6 },
            { tag: "tumbler, half notch away", kind: "tumbler", from: 5, delta: 60, to: 4 },
            { tag: "tumbler, half notch towards", kind: "tumbler", from: 5, delta: -60, to: 5 },
            { tag: "tumbler, two notches", kind: "tumbler", from: 5, delta: 240, to: 3 },
            { tag: "tumbler wraps at its first entry", kind: "tumbler", from: 0, delta: 120, to: 9 },
            { tag: "hours, one notch away", kind: "hours", from: 5, delta: 120, to: 6 },
            { tag: "hours, one notch towards", kind: "hours", from: 5, delta: -120, to: 4 },
            { tag: "hours, half notch away", kind: "hours", from: 5, delta: 60, to: 5 },
            { tag: "hours, half notch towards", kind: "hours", from: 5, delta: -60, to: 4 },
            { tag: "hours wrap after 23", kind: "hours", from: 23, delta: 120, to: 0 },
            { tag: "minutes, one notch away", kind: "minutes", from: 30, delta: 120, to: 31 }
        ]
    }

    function test_wheel(data) {
        let tumbler
        if (data.kind === "tumbler") {
            tumbler = createTemporaryObject(tumblerComponent, testCase, { currentIndex: data.from })
        } else {
            const field = createTemporaryObject(timeFieldComponent, testCase)
            tumbler = named(field.contentItem, data.kind)
            tumbler.currentIndex = data.from
        }
        waitForRendering(tumbler)
        tryCompare(tumbler, "currentIndex", data.from)
        mouseWheel(tumbler, tumbler.width / 2, tumbler.height / 2, 0, data.delta)
        tryCompare(tumbler, "currentIndex", data.to)
    }
}
