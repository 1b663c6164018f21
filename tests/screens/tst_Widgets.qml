import QtQuick
import QtQuick.Controls
import QtTest
import "qrc:/Qml/OstrelUI"
import "qrc:/Qml/OstrelUI/OstrelControls"
import "qrc:/Qml/Forms"

// The application's own widgets: buttons, switches, fields, tool tips and indicators.
TestCase {
    id: test
    name: "Widgets"
    width: 800
    height: 600
    visible: true
    when: windowShown

    readonly property real hRef: 1080
    readonly property real uScale: hRef / 1080.01

    Component { id: simpleButton; SimpleButtonRev3 {} }
    Component { id: roundButton; RoundButton_rev2 { width: 60; height: 60 } }
    Component { id: toolButton; Toolbutton_rev1 { width: 80; height: 80 } }
    Component { id: progressRing; CircularProgressBar_rev1 { width: 100; height: 100 } }
    Component { id: headerItem; FileHeaderBarItem { width: 120; height: 30; labelName: "Name" } }
    Component { id: selectionMark; FileSelectionIndicator { width: 20; height: 20 } }
    Component { id: searchBar; SearchBar {} }
    Component { id: textField; OstTextField { width: 200 } }
    Component { id: terminal; Terminal { width: 300; height: 200 } }
    Component { id: switchComponent; OstSwitch_rev1 {} }
    Component { id: roundClip; Rectangle_RoundClip { width: 100; height: 60 } }
    Component {
        id: copyButtonHolder
        Item {
            width: 60
            height: 36
            property alias button: copy
            CopyButton { id: copy }
        }
    }
    Component {
        id: clickTarget
        Rectangle {
            width: 100
            height: 40
            property int clicks: 0
            property alias tip: tip
            MouseArea { anchors.fill: parent; onClicked: parent.clicks++ }
            OstToolTip { id: tip }
        }
    }
    Component {
        id: tabBar
        OstTabBar {
            id: bar
            width: 400
            currentIndex: 1
            Repeater {
                model: ["One", "Two", "Three"]
                OstTabButton {
                    text: modelData
                    tabBarObject: bar
                    z: bar.z - index
                }
            }
        }
    }

    SignalSpy { id: spy }

    function test_simpleButtonStates_data() {
        return [
            { tag: "green", state: "green", stop1: "#84C1B5", stop2: "#1E8C9F" },
            { tag: "black", state: "black", stop1: "#676868", stop2: "#222A32" },
            { tag: "red", state: "red", stop1: "#C42753", stop2: "#DC2145" }
        ]
    }

    function test_simpleButtonStates(data) {
        var button = createTemporaryObject(simpleButton, test, { originalState: data.state, x: 100, y: 100 })
        compare(button.width, 140 * uScale)
        compare(button.height, 35 * uScale)
        var stops = button.background.gradient.stops
        tryCompare(stops[0], "color", Qt.color(data.stop1))
        tryCompare(stops[1], "color", Qt.color(data.stop2))
        compare(button.contentItem.color, Qt.color("white"))

        mouseMove(button, button.width / 2, button.height / 2)
        tryCompare(button, "state", "hovered")
        tryCompare(stops[0], "color", Qt.color("#88C0B9"))
        tryCompare(stops[1], "color", Qt.color("#88C0B9"))
        compare(button.contentItem.color, Qt.color("black"))
        mousePress(button)
        compare(button.contentItem.color, Qt.color("white"))
        mouseRelease(button)

        mouseMove(test, 1, 1)
        tryCompare(button, "state", data.state)
        tryCompare(stops[0], "color", Qt.color(data.stop1))
    }

    function test_simpleButtonLooksFixed() {
        var button = createTemporaryObject(simpleButton, test, { x: 100, y: 100 })
        button.font.pixelSize = 40
        compare(button.contentItem.font.pixelSize, Math.round(12 * uScale))
        // Disabled, it turns grey with a label that stays readable, and hovering
        // leaves it so.
        button.enabled = false
        compare(button.state, "disabled")
        compare(button.background.opacity, 1)
        compare(button.contentItem.opacity, 1)
        mouseMove(button, button.width / 2, button.height / 2)
        wait(50)
        compare(button.state, "disabled")
    }

    function test_roundButtonRedKeepsItsSize() {
        var button = createTemporaryObject(roundButton, test)
        compare(button.width, 60)
        button.state = "Red"
        compare(button.width, hRef * 21 / 1080)
        compare(button.height, hRef * 21 / 1080)
        button.state = "Info"
        compare(button.width, 60)
    }

    function test_toolButtonDisabled() {
        var button = createTemporaryObject(toolButton, test, { x: 10, y: 10, enabled: false })
        spy.target = button
        spy.signalName = "clicked"
        spy.clear()
        tryCompare(button, "color", Qt.color("lightgrey"))
        mouseMove(button, 40, 40)
        mouseClick(button)
        compare(spy.count, 0)
        verify(!button.hovered)
        button.enabled = true
        mouseMove(button, 41, 41)
        mouseClick(button)
        compare(spy.count, 1)
        tryCompare(button, "color", Qt.color("grey"))
    }

    // x and y of the tip for an area of 100 by 40 and a tip of w by h.
    function test_toolTipPlacement_data() {
        var rows = []
        var xs = [["OuterLeft", function (w) { return -w }], ["InnerLeft", function (w) { return 0 }],
                  ["Center", function (w) { return 50 - w / 2 }], ["InnerRight", function (w) { return 100 - w }],
                  ["OuterRight", function (w) { return 100 }]]
        var ys = [["Below", function (h) { return 40 }], ["Center", function (h) { return -h / 2 }],
                  ["Above", function (h) { return -h }]]
        for (var i = 0; i < xs.length; ++i) {
            for (var j = 0; j < ys.length; ++j)
                rows.push({ tag: xs[i][0] + " " + ys[j][0], h: i, v: j, x: xs[i][1], y: ys[j][1] })
        }
        return rows
    }

    function test_toolTipPlacement(data) {
        var target = createTemporaryObject(clickTarget, test, { x: 300, y: 300 })
        target.tip.horizontalPosition = data.h
        target.tip.verticalPosition = data.v
        target.tip.buttonToolTip = "some help"
        var w = 37
        var h = 13
        compare(target.tip.tipX(100, w), data.x(w))
        compare(target.tip.tipY(40, h), data.y(h))
    }

    function test_toolTipShowsOnlyWithTextAndLetsClicksThrough() {
        var target = createTemporaryObject(clickTarget, test, { x: 300, y: 300 })
        mouseMove(target, 50, 20)
        wait(1200)
        verify(!target.tip.tip.visible)
        mouseClick(target)
        compare(target.clicks, 1)

        target.tip.buttonToolTip = "some help"
        mouseMove(target, 51, 21)
        tryCompare(target.tip.tip, "visible", true, 3000)
        compare(target.tip.tip.delay, 1000)
        mouseMove(test, 1, 1)
        tryCompare(target.tip.tip, "visible", false)
    }

    function test_progressRingFinishes() {
        var ring = createTemporaryObject(progressRing, test, { x: 10, y: 10 })
        spy.target = ring
        spy.signalName = "finished"
        spy.clear()
        ring.progress = 0.999
        compare(spy.count, 0)
        compare(ring.percentLabel.text, "99%")
        ring.progress = 1.0
        compare(spy.count, 1)
        ring.progress = 0.5
        ring.progress = 1.0
        compare(spy.count, 2)
    }

    function test_progressRingBusy() {
        var ring = createTemporaryObject(progressRing, test, { x: 10, y: 10, progress: 0.7 })
        compare(ring.progressDisplay, 0.7)
        mouseMove(ring, 50, 50)
        tryCompare(ring.percentLabel, "opacity", 1)
        ring.busy = true
        compare(ring.progressDisplay, 0.4)
        mouseMove(test, 1, 1)
        mouseMove(ring, 51, 51)
        wait(150)
        verify(!ring.hovered)
        compare(ring.percentLabel.opacity, 0)
    }

    function test_headerItemClicks() {
        var header = createTemporaryObject(headerItem, test, { x: 10, y: 10 })
        spy.target = header
        spy.signalName = "sort"
        spy.clear()
        compare(header.state, "inactiveSortable")
        var expected = ["down", "up", "down"]
        for (var i = 0; i < expected.length; ++i) {
            mouseClick(header)
            compare(header.state, expected[i])
            compare(spy.signalArguments[i][0], "Name")
            compare(spy.signalArguments[i][1], expected[i])
        }
        header.state = "nonSortable"
        mouseClick(header)
        compare(spy.count, 3)
        compare(header.state, "nonSortable")
        verify(!header.indicator.visible)
    }

    function test_selectionMarkFollowsItsOwner() {
        var mark = createTemporaryObject(selectionMark, test, { x: 10, y: 10 })
        verify(mark.picture.source.toString().endsWith("CheckboxUnchecked.png"))
        mouseClick(mark)
        verify(!mark.checked)
        mark.checked = true
        verify(mark.picture.source.toString().endsWith("CheckBoxChecked.png"))
    }

    function test_searchBarFollowsEveryKey() {
        var bar = createTemporaryObject(searchBar, test, { x: 10, y: 10 })
        verify(bar.field.placeholder.visible)
        compare(bar.field.placeholderText, "Enter description")
        bar.field.forceActiveFocus()
        var typed = []
        bar.searchQueryChanged.connect(function () { typed.push(bar.searchQuery) })
        keyClick(Qt.Key_L)
        keyClick(Qt.Key_O)
        keyClick(Qt.Key_G)
        compare(typed, ["l", "lo", "log"])
        verify(!bar.field.placeholder.visible)
    }

    function test_textFieldUnderline() {
        var field = createTemporaryObject(textField, test, { x: 100, y: 100 })
        var line = field.underline
        compare(line.height, 1)
        compare(line.color, field.Material.hintTextColor)
        mouseMove(field, 20, 10)
        tryCompare(line, "height", 2)
        compare(line.color, field.Material.primaryTextColor)
        field.forceActiveFocus()
        compare(line.color, field.Material.accentColor)
        mouseMove(test, 1, 1)
        compare(line.height, 2)
    }

    function test_terminalAppendsColouredLines() {
        var console = createTemporaryObject(terminal, test)
        console.appendMsg("first")
        console.appendWarning("second")
        console.appendError("x")
        var text = console.textEdit.getText(0, console.textEdit.length)
        compare(text.split(/[\n\u2028\u2029]/), ["first", "second", "x", ""])
        var html = console.textEdit.text
        verify(/color:#ff0000;[^>]*>x</.test(html), html)
        verify(html.indexOf("first") < html.indexOf("second") && html.indexOf("second") < html.lastIndexOf(">x<"))
    }

    function test_copyButtonCopiesTheValue() {
        var holder = createTemporaryObject(copyButtonHolder, test, { x: 10, y: 10 })
        compare(holder.button.width, holder.height * 5 / 6)
        holder.button.valueToCopy = 1234.5
        mouseClick(holder.button)
        compare(notificationPoster.clipboardText(), "1234.5")
        holder.button.valueToCopy = "ZT-0042"
        mouseClick(holder.button)
        compare(notificationPoster.clipboardText(), "ZT-0042")
    }

    function test_switchGeometry() {
        // The default height of 50 units.
        var control = createTemporaryObject(switchComponent, test)
        var h = control.height
        fuzzyCompare(h, 50 * uScale, 1e-9)
        fuzzyCompare(control.track.height, h / 2, 1e-9)
        fuzzyCompare(control.track.width, h * 23 / 26, 1e-9)
        fuzzyCompare(control.ball.width, h / 2, 1e-9)
        compare(control.ball.x, 0)
        control.checked = true
        tryCompare(control.ball, "x", control.track.width - control.ball.width)
        fuzzyCompare(control.ball.x, h * 10 / 26, 1e-9)
        tryCompare(control.ball, "color", Qt.color("#3DB199"))
        control.enabled = false
        tryCompare(control.disabledVeil, "opacity", 0.5)
        verify(control.disabledVeil.visible)
    }

    function test_tabColours() {
        var bar = createTemporaryObject(tabBar, test, { x: 10, y: 10 })
        var tabs = [bar.itemAt(0), bar.itemAt(1), bar.itemAt(2)]
        compare(tabs[0].tabShape.color, Qt.color("white"))
        compare(tabs[1].tabShape.color, Qt.color("#E5053A"))
        compare(tabs[1].contentItem.color, Qt.color("white"))
        compare(tabs[2].tabShape.color, Qt.color("#F3F3F3"))
        compare(tabs[2].contentItem.color, Qt.color("#CCCBCA"))
        compare(tabs[0].contentItem.leftPadding, 0)
        verify(tabs[1].contentItem.leftPadding > 0)
    }

    function test_roundClipInset() {
        var clip = createTemporaryObject(roundClip, test, { pixelDensity: 4, borderWidth_mm: 1, radius: 12 })
        compare(clip.border.width, 4)
        var loader = clip.children[0]
        compare(loader.x, 4)
        compare(loader.y, 4)
        compare(loader.width, 92)
        compare(loader.height, 52)
    }
}
