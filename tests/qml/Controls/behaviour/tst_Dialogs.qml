import QtQuick
import QtTest
import ostrel.Controls
import "colours.js" as Colours

TestCase {
    id: testCase

    name: "Dialogs"
    width: 1200
    height: 900
    visible: true
    when: windowShown

    Component {
        id: dialogComponent
        Dialog {
            title: "Connect other device"
            anchors.centerIn: parent
            width: 700
            contentItem: Item { implicitWidth: 200; implicitHeight: 60 }
        }
    }
    Component {
        id: errorDialogComponent
        ErrorDialog {}
    }
    Component {
        id: spyComponent
        SignalSpy {}
    }

    function openDialog(properties) {
        const dialog = createTemporaryObject(dialogComponent, testCase, properties)
        dialog.open()
        tryCompare(dialog, "opened", true)
        waitForRendering(dialog.contentItem)
        return dialog
    }

    function spyOn(target, signalName) {
        return createTemporaryObject(spyComponent, testCase, { target: target, signalName: signalName })
    }

    function test_footerOnlyWithButtons() {
        const dialog = openDialog({})
        compare(dialog.footer.count, 0)
        verify(!dialog.footer.visible, "a dialog without buttons has no footer")
        dialog.standardButtons = Dialog.Ok | Dialog.Cancel
        compare(dialog.footer.count, 2)
        verify(dialog.footer.visible)
        verify(dialog.standardButton(Dialog.Ok))
    }

    function test_closing_data() {
        return [
            { tag: "close button", close: "closeButton", accepted: 0, rejected: 1 },
            { tag: "OK", close: Dialog.Ok, accepted: 1, rejected: 0 },
            { tag: "Cancel", close: Dialog.Cancel, accepted: 0, rejected: 1 },
            { tag: "escape key", close: "escape", accepted: 0, rejected: 1 }
        ]
    }

    // The close button and Cancel reject the dialog, OK accepts it; each closes it.
    function test_closing(data) {
        const dialog = openDialog({ standardButtons: Dialog.Ok | Dialog.Cancel })
        const accepted = spyOn(dialog, "accepted")
        const rejected = spyOn(dialog, "rejected")
        if (data.close === "closeButton")
            mouseClick(findChild(dialog.header, "closeButton"))
        else if (data.close === "escape")
            keyClick(Qt.Key_Escape)
        else
            mouseClick(dialog.standardButton(data.close))
        compare(accepted.count, data.accepted)
        compare(rejected.count, data.rejected)
        tryCompare(dialog, "visible", false)
    }

    function test_closeButton() {
        const dialog = openDialog({})
        const close = findChild(dialog.header, "closeButton")
        compare(close.Accessible.name, "Close")
        compare(close.width, 22.5)
        compare(close.height, 22.5)
        compare(close.contentItem.text, "close")
        compare(close.contentItem.font.pixelSize, 22)
        compare(close.x + close.width + close.width / 2, dialog.header.width)
    }

    function test_title_data() {
        return [
            { tag: "narrow dialog", title: "Connect other device", width: 300 },
            { tag: "wide dialog", title: "ssh", width: 900 }
        ]
    }

    // The title shows in capitals, underlined from the baseline by a line centred on it.
    function test_title(data) {
        const dialog = openDialog({ title: data.title, width: data.width })
        const title = dialog.header
        compare(title.text, data.title)
        compare(title.font.capitalization, Font.AllUppercase)
        compare(title.Accessible.name, data.title)
        compare(title.Accessible.role, Accessible.TitleBar)
        const underline = findChild(title, "titleUnderline")
        fuzzyCompare(underline.width, Math.min((dialog.width + title.contentWidth) / 2, dialog.width), 0.001)
        fuzzyCompare(underline.x + underline.width / 2, title.width / 2, 0.001)
        compare(underline.y, title.baselineOffset)
        compare(underline.height, 1)
        compare(title.topPadding, title.contentHeight)
        compare(title.leftPadding, title.contentWidth / 2)
    }

    // Each button's label takes the colour of its role; the first button of the box
    // stands at the right end.
    function test_buttons() {
        const dialog = openDialog({ standardButtons: Dialog.Ok | Dialog.Cancel | Dialog.Apply | Dialog.Help })
        const expected = new Map([
            [Dialog.Ok, "#1d252e"],
            [Dialog.Cancel, "#EE1E47"],
            [Dialog.Apply, "#000000"],
            [Dialog.Help, "#000000"]
        ])
        for (const [which, colour] of expected) {
            const button = dialog.standardButton(which)
            verify(Colours.near(button.contentItem.color, colour),
                   button.text + " is " + Colours.describe(button.contentItem.color) + ", not " + colour)
            compare(button.contentItem.font.capitalization, Font.AllUppercase)
            compare(button.implicitWidth, 200)
            compare(button.implicitHeight, 80)
        }
        const box = dialog.footer
        compare(box.count, 4)
        for (let i = 1; i < box.count; ++i)
            verify(box.itemAt(i - 1).x > box.itemAt(i).x, "button " + i + " stands left of button " + (i - 1))
    }

    function test_buttonOutsideABoxIsBlack() {
        const button = Qt.createQmlObject("import ostrel.Controls; DialogButton { text: 'Apply' }", testCase)
        verify(Colours.near(button.contentItem.color, "#000000"))
        button.destroy()
    }

    function test_buttonHover_data() {
        return [
            { tag: "enabled", enabled: true, opacity: 1, hovered: "#d3d3d3" },
            { tag: "disabled", enabled: false, opacity: 0.5, hovered: "#f3f3f3" }
        ]
    }

    // A disabled button is drawn at half opacity and ignores the pointer.
    function test_buttonHover(data) {
        const dialog = openDialog({ standardButtons: Dialog.Ok })
        const button = dialog.standardButton(Dialog.Ok)
        button.enabled = data.enabled
        compare(button.opacity, data.opacity)
        verify(Colours.near(button.background.color, "#f3f3f3"))
        mouseMove(button, button.width / 2, button.height / 2)
        verify(Colours.near(button.background.color, data.hovered), Colours.describe(button.background.color))
        const accepted = spyOn(dialog, "accepted")
        mouseClick(button)
        compare(accepted.count, data.enabled ? 1 : 0)
    }

    // Reports of the message already shown gather their details in the open dialog;
    // another message, or a report after the dialog was closed, starts afresh.
    function test_showError() {
        const dialog = createTemporaryObject(errorDialogComponent, testCase)
        compare(dialog.width, 550)
        compare(dialog.title, "Error")
        verify(dialog.standardButton(Dialog.Ok))

        const rows = [
            { message: "Upload failed", detail: "x", shownDetail: "x" },
            { message: "Upload failed", detail: "y", shownDetail: "x\n===\ny" },
            { message: "Board lost", detail: new Error("link closed"), shownDetail: "Error: link closed" },
            { message: "Board lost", detail: 42, shownDetail: "Error: link closed\n===\n42" },
            { message: "No detail", detail: undefined, shownDetail: "" },
            { message: "No detail", detail: null, shownDetail: "\n===\n" }
        ]
        for (const row of rows) {
            dialog.showError(row.message, row.detail)
            tryCompare(dialog, "opened", true)
            compare(dialog.message, row.message)
            compare(dialog.detail, row.shownDetail)
            compare(findChild(dialog.contentItem, "messageText").text, row.message)
            compare(findChild(dialog.contentItem, "detailText").text, row.shownDetail)
        }

        const accepted = spyOn(dialog, "accepted")
        mouseClick(dialog.standardButton(Dialog.Ok))
        compare(accepted.count, 1)
        tryCompare(dialog, "visible", false)

        dialog.showError("No detail", "again")
        tryCompare(dialog, "opened", true)
        compare(dialog.detail, "again")
    }
}
