import QtQuick
import QtTest
import com.ostrel 1.0
import "qrc:/NotificationHandling/GUI"

// The bell, the popup and the cards against the program's own notification list.
TestCase {
    id: test
    name: "Notifications"
    width: 900
    height: 900
    visible: true
    when: windowShown

    readonly property real hRef: 900
    readonly property real uScale: hRef / 1080.01

    // What the popup blurs behind itself.
    Rectangle {
        id: viewStack
        anchors.fill: parent
        color: "lightsteelblue"
    }

    NotificationsIndicator {
        id: bell
        width: 60
        height: 60
        onPressed: frame.opened ? frame.close() : frame.open()
    }

    NotificationFrame {
        id: frame
        x: 200
    }

    readonly property var levels: [Halvora.None, Halvora.CriticalError, Halvora.Error, Halvora.Warning, Halvora.Info]

    function init() {
        Notifications.clearNotifications()
        frame.close()
        tryCompare(frame, "visible", false)
        tryCompare(Notifications, "notificationCount", 0)
    }

    function post(title, level, modal) {
        return notificationPoster.post(level === undefined ? Halvora.Warning : level, AbstractNotification.HalvoraLab,
                                       title, "message of " + title, "Binary list", new Date(), !!modal)
    }

    function cards() {
        var list = frame.list
        var found = []
        for (var i = 0; i < list.count; ++i) {
            var card = list.itemAtIndex(i)
            if (card)
                found.push(card)
        }
        return found
    }

    function card(title) {
        var all = cards()
        for (var i = 0; i < all.length; ++i) {
            if (all[i].notification.title === title)
                return all[i]
        }
        return null
    }

    function openPopup() {
        mouseClick(bell)
        tryCompare(frame, "opened", true)
    }

    function test_emptyList() {
        compare(bell.picture.source, Qt.resolvedUrl("qrc:/Images/GUI/Notifications/Notification_zero.png"))
        verify(!bell.countLabel.visible)
        openPopup()
        compare(frame.list.count, 0)
        mouseClick(bell)
        tryCompare(frame, "opened", false)
    }

    function test_addClearOneClearAll() {
        post("first")
        post("second")
        post("third")
        compare(Notifications.notificationCount, 3)
        compare(bell.picture.source, Qt.resolvedUrl("qrc:/Images/GUI/Notifications/Notification_nonzero.png"))
        verify(bell.countLabel.visible)
        compare(bell.countLabel.text, "3")
        openPopup()
        tryCompare(frame.list, "count", 3)
        compare(cards().map(function (c) { return c.notification.title }), ["first", "second", "third"])

        // A click outside leaves the popup open.
        mouseClick(test, 10, test.height - 10)
        verify(frame.opened)

        mouseClick(card("second").clearArea)
        tryCompare(Notifications, "notificationCount", 2)
        tryCompare(frame.list, "count", 2)
        verify(card("second") === null)
        compare(bell.countLabel.text, "2")

        mouseClick(findChild(frame.contentItem, "clearAllNotifications"))
        tryCompare(Notifications, "notificationCount", 0)
        tryCompare(frame.list, "count", 0)
        verify(!bell.countLabel.visible)
        compare(bell.picture.source, Qt.resolvedUrl("qrc:/Images/GUI/Notifications/Notification_zero.png"))

        mouseClick(findChild(frame.contentItem, "closeNotifications"))
        tryCompare(frame, "opened", false)
    }

    function test_modalNotificationOpensThePopup() {
        post("ordinary")
        wait(50)
        verify(!frame.opened)
        post("needs an answer", Halvora.Warning, true)
        tryCompare(frame, "opened", true)
        // Every rebuild of the cards while it is listed opens the popup again.
        frame.close()
        tryCompare(frame, "opened", false)
        post("another")
        tryCompare(frame, "opened", true)
    }

    // An error, and a critical error even more, gets the error look; the rest the
    // warning look.
    function test_levelStrip_data() {
        return [
            { tag: "None", level: Halvora.None, color: "#F2EADF", icon: "app_warning.png" },
            { tag: "CriticalError", level: Halvora.CriticalError, color: "#F1DEE2", icon: "app_error.png" },
            { tag: "Error", level: Halvora.Error, color: "#F1DEE2", icon: "app_error.png" },
            { tag: "Warning", level: Halvora.Warning, color: "#F2EADF", icon: "app_warning.png" },
            { tag: "Info", level: Halvora.Info, color: "#F2EADF", icon: "app_warning.png" }
        ]
    }

    function test_levelStrip(data) {
        post(data.tag, data.level)
        openPopup()
        tryCompare(frame.list, "count", 1)
        var strip = card(data.tag).levelStrip
        compare(strip.color, Qt.color(data.color))
        verify(strip.children[0].source.toString().endsWith(data.icon))
    }

    function test_timeAndOrigin() {
        // The runner's time zone is UTC+05:30.
        notificationPoster.post(Halvora.Warning, AbstractNotification.HalvoraLab, "late", "m", "Log downloader",
                                new Date(Date.UTC(2026, 0, 1, 23, 5, 9)), false)
        notificationPoster.post(Halvora.Warning, AbstractNotification.Device, "board", "m", "ZT-0042",
                                new Date(Date.UTC(2026, 0, 1, 7, 0, 1)), false)
        openPopup()
        tryCompare(frame.list, "count", 2)
        compare(card("late").timeText, "04:35:09")
        compare(card("late").originText, "Halvora Lab | Log downloader")
        compare(card("board").timeText, "12:30:01")
        compare(card("board").originText, "Zelto | S/N:ZT-0042")
    }

    function test_expandFollowsTheNotification() {
        post("long")
        openPopup()
        tryCompare(frame.list, "count", 1)
        var c = card("long")
        compare(c.state, "collapsed")
        var collapsedHeight = c.height
        mouseClick(c.expandArea)
        verify(c.notification.expanded)
        compare(c.state, "expanded")
        tryVerify(function () { return c.height > collapsedHeight })
        mouseClick(c.expandArea)
        verify(!c.notification.expanded)
        compare(c.state, "collapsed")
    }

    function test_progressBarOnlyWhileEnabled() {
        var notification = notificationPoster.postProgress("progress", false, 0.4)
        openPopup()
        tryCompare(frame.list, "count", 1)
        var bar = card("progress").progressBar
        verify(!bar.visible)
        notificationPoster.setProgressEnabled(notification, true)
        tryCompare(bar, "visible", true)
        fuzzyCompare(bar.value, 0.4, 1e-6)
        verify(!card("progress").promptButton.parent.visible)
    }

    function test_buttonPressesOnlyWhileEnabled() {
        var notification = notificationPoster.postButton("prompt", "Upload", false)
        openPopup()
        tryCompare(frame.list, "count", 1)
        var button = card("prompt").promptButton
        verify(button.parent.visible)
        compare(button.text, "Upload")
        verify(!button.enabled)
        mouseClick(button)
        compare(notificationPoster.buttonPresses(), 0)
        notificationPoster.setButtonEnabled(notification, true)
        tryCompare(button, "enabled", true)
        mouseClick(button)
        compare(notificationPoster.buttonPresses(), 1)
    }
}
