import QtQuick
import QtQuick.Controls
import QtQuick.Window
import Qt.labs.platform as Platform

// The main window: the menu bar across the top and the view stack below it that
// shows the home screen and the screens its tiles open.
ApplicationWindow {
    id: window

    // The scale every screen sizes itself by: one unit is one pixel on a screen whose
    // smaller side is 1080 pixels.
    readonly property real hRef: Math.min(Screen.height, Screen.width)
    readonly property real uScale: hRef / 1080.01
    readonly property real frameBorderWidth: hRef * 9 / 1080
    readonly property bool asynchronousLoadingEnabled: true
    readonly property string homeScreen: "qrc:/Qml/Forms/ModuleView.qml"
    // The menu bar, for the screens that place things by it.
    readonly property Item applicationMenu: menuLoader.item

    title: "Halvora Lab"
    flags: Qt.Window
    minimumWidth: Math.max(Screen.width, Screen.height) / 2
    minimumHeight: Screen.height * (2 - 1.6180)
    // The whole screen, also where no window manager maximises the window.
    width: Screen.width
    height: Screen.height
    visible: true

    Component.onCompleted: {
        completed = true
        showMaximized()
        requestActivate()
        viewStack.forceActiveFocus()
        // Shown where the desktop has a tray, once its picture is in place (the
        // picture is set up when the tray icon is complete, which may come later).
        Qt.callLater(function () { sysTray.visible = sysTray.available })
    }

    // Qt 6.4 crashes when the window is taken apart while one of its items holds the
    // focus, so the focus is let go before the program ends.
    function releaseFocus() {
        while (activeFocusItem && activeFocusItem !== contentItem) {
            var holder = activeFocusItem
            holder.focus = false
            if (activeFocusItem === holder)
                break
        }
    }
    onClosing: releaseFocus()
    Connections {
        target: Qt.application
        function onAboutToQuit() {
            window.releaseFocus()
        }
    }

    Platform.SystemTrayIcon {
        id: sysTray
        visible: false
        icon.source: "qrc:/Images/AppIcon.ico"
        tooltip: window.title
        onActivated: {
            window.showMaximized()
            window.requestActivate()
        }
    }

    background: Loader {
        asynchronous: window.asynchronousLoadingEnabled
        source: "Background.qml"
    }

    Loader {
        id: menuLoader
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.topMargin: window.frameBorderWidth
        anchors.leftMargin: window.frameBorderWidth
        anchors.rightMargin: window.frameBorderWidth
        height: window.uScale * 83
        asynchronous: window.asynchronousLoadingEnabled
        sourceComponent: ApplicationMenu {}
    }

    // The menu bar is made anew for a new scale (the scale first settles while the
    // window is made, when the window learns its screen).
    property bool completed: false
    onUScaleChanged: {
        if (!completed)
            return
        menuLoader.active = false
        menuLoader.active = true
    }

    Rectangle {
        id: content
        anchors.top: menuLoader.bottom
        anchors.bottom: parent.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.topMargin: window.hRef * 2 / 1080
        anchors.bottomMargin: window.frameBorderWidth
        anchors.leftMargin: window.frameBorderWidth
        anchors.rightMargin: window.frameBorderWidth
        color: "#FFFFFF"

        OstLoader {
            id: viewStack
            anchors.fill: parent
            clip: true
            objectName: "viewStack"
            source: window.homeScreen
            homeSource: window.homeScreen
        }
    }

    // The running mode, over everything; none in the release mode.
    Text {
        z: 100
        anchors.centerIn: parent
        visible: RELEASE_MODE === 2
        text: "Manufacturing Mode"
        color: "red"
        opacity: 0.3
        font.pixelSize: 180
    }
    Text {
        z: 100
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        visible: RELEASE_MODE === 1
        text: "Develop Mode"
        color: "red"
        opacity: 0.3
        font.pixelSize: 80
    }
}
