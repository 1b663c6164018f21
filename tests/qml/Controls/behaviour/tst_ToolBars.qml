import QtQuick
import QtQuick.Layouts
import QtTest
import ostrel.Branding
import ostrel.Controls
import "colours.js" as Colours

TestCase {
    id: testCase

    name: "ToolBars"
    width: 800
    height: 400
    visible: true
    when: windowShown

    Component {
        id: toolButtonComponent
        ToolButton {}
    }
    Component {
        id: toolBarComponent
        ToolBar {
            property alias tall: tall
            ToolButton { text: "Save" }
            Rectangle { id: tall; implicitWidth: 40; implicitHeight: 60 }
        }
    }
    Component {
        id: notchComponent
        NotchToolBar {}
    }
    Component {
        id: separatorComponent
        Separator {}
    }
    Component {
        id: footerComponent
        FooterLogo {}
    }
    Component {
        id: spyComponent
        SignalSpy {}
    }

    function child(item, name) {
        const objects = item.data === undefined ? [] : item.data
        for (let i = 0; i < objects.length; ++i) {
            const c = objects[i]
            if (c.objectName === name)
                return c
            const found = child(c, name)
            if (found)
                return found
        }
        return null
    }

    // The label's width is that of its best two-line split, searched from the left
    // until a split is no narrower; a hyphen is a split point too, and a hyphenated
    // word is measured rejoined with a space. Measured in a monospaced font, widths
    // are character counts.
    function test_labelWidth_data() {
        return [
            { tag: "one word", text: "Save", characters: 4 },
            { tag: "empty", text: "", characters: 0 },
            // "Export" | "all data" (8) beats the whole (15); "Export all" | "data" (10) stops.
            { tag: "three words", text: "Export all data", characters: 8 },
            // "Read-" | "only mode" (9); "Read- only" | "mode" is 10 with the added space.
            { tag: "hyphen", text: "Read-only mode", characters: 9 },
            // The empty word between two spaces: "two" | " spaces" (7), "two " | "spaces" (6).
            { tag: "two spaces", text: "two  spaces", characters: 6 },
            // "a" | "bb cccccc dd" (12), "a bb" | "cccccc dd" (9), then "a bb cccccc" (11) stops.
            { tag: "four words", text: "a bb cccccc dd", characters: 9 },
            // "long-" | "hyphenated- word" (16); "long- hyphenated-" (17) stops.
            { tag: "hyphens only", text: "long-hyphenated-word", characters: 16 }
        ]
    }

    function test_labelWidth(data) {
        const button = createTemporaryObject(toolButtonComponent, testCase)
        const metrics = child(button.contentItem, "fontMetrics")
        metrics.font.family = "DejaVu Sans Mono"
        button.text = data.text
        const character = metrics.advanceWidth("x")
        compare(metrics.advanceWidth("xxxxxxxxxx"), 10 * character, "the font is monospaced")
        compare(metrics.calculateWidthAfterSplit(data.text), data.characters * character)
        compare(metrics.expectedWidth, Math.ceil(data.characters * character))
        compare(child(button.contentItem, "label").width, metrics.expectedWidth + 1)
    }

    // In the module's own font, a label of several words takes two lines: the label is
    // never a fraction of a pixel narrower than its wider line.
    function test_labelLines_data() {
        return [
            { tag: "one word", text: "Save", lines: 1 },
            { tag: "three words", text: "Export all data", lines: 2 },
            { tag: "hyphen", text: "Read-only mode", lines: 2 },
            { tag: "three longer words", text: "Delete from device", lines: 2 },
            { tag: "four words", text: "Show files in explorer", lines: 2 },
            { tag: "two words", text: "Clear queue", lines: 2 }
        ]
    }

    function test_labelLines(data) {
        const button = createTemporaryObject(toolButtonComponent, testCase, { text: data.text })
        const label = child(button.contentItem, "label")
        waitForRendering(button)
        compare(label.lineCount, data.lines)
        verify(label.height >= label.contentHeight, label.height + " high for " + label.contentHeight)
    }

    // The button keeps room for the plate and two lines of label; with no text it is
    // the plate on the 50 × 120 background.
    function test_size() {
        const empty = createTemporaryObject(toolButtonComponent, testCase)
        const metrics = child(empty.contentItem, "fontMetrics")
        compare(metrics.expectedHeight, 0)
        compare(empty.implicitContentWidth, 36)
        compare(empty.implicitContentHeight, 36)
        compare(empty.implicitWidth, 60)
        compare(empty.implicitHeight, 120)

        const labelled = createTemporaryObject(toolButtonComponent, testCase, { text: "Export all data" })
        const labelMetrics = child(labelled.contentItem, "fontMetrics")
        compare(labelMetrics.expectedHeight, Math.trunc(2 * labelMetrics.boundingRect("Export all data").height))
        compare(labelled.implicitContentHeight, 36 + labelMetrics.expectedHeight)
        compare(labelled.implicitWidth, Math.max(50, Math.max(36, labelMetrics.expectedWidth + 1) + 24))
        compare(labelled.implicitHeight, Math.max(120, 36 + labelMetrics.expectedHeight + 32))
    }

    // The plate is grey while the button is disabled, unless the button keeps its colour.
    function test_plateColour_data() {
        return [
            { tag: "enabled", enabled: true, override: false, colour: OstrelColors.accentColor },
            { tag: "disabled", enabled: false, override: false, colour: OstrelColors.formFieldContentBackground },
            { tag: "disabled, keeping its colour", enabled: false, override: true, colour: "#dd0830" },
            { tag: "enabled, own colour", enabled: true, override: false, iconColour: "#dd0830", colour: "#dd0830" }
        ]
    }

    function test_plateColour(data) {
        const properties = { enabled: data.enabled, overrideDisabledColor: data.override, text: "Save" }
        if (data.iconColour || data.override)
            properties.iconColor = data.iconColour || "#dd0830"
        const button = createTemporaryObject(toolButtonComponent, testCase, properties)
        const plate = child(button.contentItem, "iconBackground")
        verify(Colours.near(plate.color, data.colour), Colours.describe(plate.color))
        compare(plate.width, 36)
        compare(plate.radius, 18)
    }

    // Under the pointer an enabled button shows its grey background and a white label;
    // a disabled one shows no hover look. A click emits clicked once.
    function test_hoverAndClick_data() {
        return [ { tag: "enabled", enabled: true }, { tag: "disabled", enabled: false } ]
    }

    function test_hoverAndClick(data) {
        const button = createTemporaryObject(toolButtonComponent, testCase,
                                             { text: "Save", enabled: data.enabled, x: 100, y: 20 })
        const clicked = createTemporaryObject(spyComponent, testCase, { target: button, signalName: "clicked" })
        const label = child(button.contentItem, "label")
        waitForRendering(button)
        mouseMove(testCase, 5, 5)
        compare(button.background.opacity, 0)
        verify(Colours.near(label.color, OstrelColors.formFieldToggleFalse))

        mouseMove(button, button.width / 2, button.height / 2)
        tryCompare(button.background, "opacity", data.enabled ? 1 : 0)
        verify(Colours.near(label.color, data.enabled ? OstrelColors.selectedTextColor
                                                      : OstrelColors.formFieldToggleFalse))
        mouseClick(button)
        compare(clicked.count, data.enabled ? 1 : 0)

        mouseMove(testCase, 5, 5)
        tryCompare(button.background, "opacity", 0)
    }

    // The icon declared inside a button lies on its plate.
    function test_iconOnPlate() {
        const button = createTemporaryObject(toolButtonComponent, testCase)
        const icon = Qt.createQmlObject("import QtQuick; Rectangle { width: 20; height: 20 }", testCase)
        button.iconElements.push(icon)
        compare(icon.parent, child(button.contentItem, "iconBackground"))
    }

    // The bar lays its tools out in a row, 18 apart and 18 from its ends, and grows
    // with a tool taller than its 120 pixels; the border stays at the bottom.
    function test_toolBar() {
        const bar = createTemporaryObject(toolBarComponent, testCase)
        compare(bar.spacing, 18)
        compare(bar.leftPadding, 18)
        compare(bar.rightPadding, 18)
        compare(bar.topPadding, 0)
        compare(bar.height, 120)
        compare(bar.tall.parent, bar.contentItem)
        compare(bar.tall.x, bar.contentItem.children[0].width + 18)

        bar.tall.implicitHeight = 200
        tryCompare(bar, "height", 200)
        const border = child(bar.background, "bottomBorder")
        compare(border.y + border.height, bar.background.height)
        compare(border.height, 2)

        bar.spacing = 4
        compare(bar.leftPadding, 4)
        compare(bar.contentItem.spacing, 4)
    }

    // Each curved side of the notch is as wide as the bar is high; a wider bar gets a
    // flat bottom between them.
    function test_notch_data() {
        return [
            { tag: "implicit size", width: undefined, points: [[100, 50], [50, 49], [33.33, 0], [16.67, 50],
                                                              [50, 49], [100, 0], [83.33, 49], [66.67, -1]] },
            { tag: "300 wide", width: 300, points: [[300, 50], [50, 49], [33.33, 0], [16.67, 50],
                                                    [250, 49], [300, 0], [283.33, 49], [266.67, -1]] }
        ]
    }

    function test_notch(data) {
        const properties = data.width === undefined ? {} : { width: data.width }
        const bar = createTemporaryObject(notchComponent, testCase, properties)
        const notch = child(bar.background, "notch")
        const path = notch.data[0]
        const left = path.pathElements[0]
        const bottom = path.pathElements[1]
        const right = path.pathElements[2]
        const [size, leftEnd, c1, c2, bottomEnd, rightEnd, c3, c4] = data.points
        compare([bar.width, bar.height], size)
        compare(bar.leftPadding, 50)
        compare(bar.topPadding, 5)
        compare([left.x, left.y], leftEnd)
        fuzzyCompare(left.control1X, c1[0], 0.01); compare(left.control1Y, c1[1])
        fuzzyCompare(left.control2X, c2[0], 0.01); compare(left.control2Y, c2[1])
        compare([bottom.x, bottom.y], bottomEnd)
        compare([right.x, right.y], rightEnd)
        fuzzyCompare(right.control1X, c3[0], 0.01); compare(right.control1Y, c3[1])
        fuzzyCompare(right.control2X, c4[0], 0.01); compare(right.control2Y, c4[1])
    }

    function test_separator_data() {
        return [
            { tag: "horizontal", orientation: Qt.Horizontal, size: [100, 1] },
            { tag: "vertical", orientation: Qt.Vertical, size: [1, 100] }
        ]
    }

    // The line fades along its length over its first and last fifth.
    function test_separator(data) {
        const line = createTemporaryObject(separatorComponent, testCase, { orientation: data.orientation })
        compare([line.width, line.height], data.size)
        compare(line.horizontal, data.orientation === Qt.Horizontal)
        compare(line.vertical, data.orientation === Qt.Vertical)
        compare(line.gradient.orientation, data.orientation === Qt.Horizontal ? Gradient.Horizontal : Gradient.Vertical)
        const stops = line.gradient.stops
        compare(stops.length, 4)
        compare([0, 1, 2, 3].map(i => stops[i].position), [0, 0.2, 0.8, 1])
        compare([0, 1, 2, 3].map(i => Math.round(stops[i].color.a * 255)), [0, 255, 255, 0])
    }

    // The footer shows the build's year and the application's name and version.
    function test_footer() {
        const footer = createTemporaryObject(footerComponent, testCase)
        const year = child(footer.contentItem, "year")
        const name = child(footer.contentItem, "nameAndVersion")
        compare(year.text, String(BuildInfo.buildDateTime.getFullYear()))
        compare(name.text, Qt.application.name + " | " + Qt.application.version)
        compare(name.font.capitalization, Font.AllUppercase)
        const logo = child(footer.contentItem, "logo")
        const wordmark = child(footer.contentItem, "wordmark")
        compare([logo.width, logo.height], [192, 80])
        compare([wordmark.x, wordmark.y, wordmark.width, wordmark.height], [232, 9, 117, 23])
        compare(footer.topPadding, 30)
        compare(footer.rightPadding, 20)
        verify(footer.implicitHeight >= 80 + 60)
    }
}
