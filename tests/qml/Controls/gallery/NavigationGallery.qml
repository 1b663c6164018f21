import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import ostrel.Branding
import ostrel.Controls

// The tab bars, tool bars, shelf and screen framing of the ostrel.Controls module.
// scripts/screenshots renders it; the controls marked showHovered are drawn hovered.
ApplicationWindow {
    id: window

    width: 1800
    height: 1600
    visible: true
    title: "ostrel.Controls: navigation"
    color: OstrelColors.background

    // The content panel of a tab bar. Its edge next to the bar is the tabs' own content
    // edge, so it draws none there.
    component Panel: Rectangle {
        id: panel

        property bool openTop: false

        height: 50
        border.color: OstrelColors.mainBorderColor

        Rectangle {
            x: 1
            y: panel.openTop ? 0 : panel.height - 1
            width: panel.width - 2
            height: 1
            color: panel.color
        }
    }

    // A tab bar above (or below) a panel of the content colour, as a screen shows them.
    component TabbedPanel: Column {
        id: tabbed

        property int current: 1
        property int tabs: 4
        property bool footer: false
        property int radius: 20
        property color panelColour: OstrelColors.background

        width: 520

        Panel { visible: tabbed.footer; width: tabbed.width; color: tabbed.panelColour }

        TabBar {
            width: tabbed.width
            // A bar makes its first tab current as it fills; the page's choice follows.
            Component.onCompleted: currentIndex = Qt.binding(() => tabbed.current)
            contentRadius: tabbed.radius
            position: tabbed.footer ? T.TabBar.Footer : T.TabBar.Header

            Repeater {
                model: ["Devices", "binary files", "Logs", "settings"].slice(0, tabbed.tabs)
                TabButton {
                    required property string modelData
                    text: modelData
                    contentColor: tabbed.panelColour
                }
            }
        }

        Panel { visible: !tabbed.footer; width: tabbed.width; color: tabbed.panelColour; openTop: true }
    }

    Column {
        x: 30
        y: 20
        width: window.width - 60
        spacing: 22

        GallerySection {
            width: parent.width
            title: "TabBar, TabButton"

            GalleryCell { caption: "header, second tab current"; TabbedPanel {} }
            GalleryCell { caption: "header, first tab current"; TabbedPanel { current: 0 } }
            GalleryCell { caption: "header, last tab current"; TabbedPanel { current: 3 } }
            GalleryCell { caption: "no current tab"; TabbedPanel { current: -1 } }
            GalleryCell { caption: "footer, third tab current"; TabbedPanel { current: 2; footer: true } }
            GalleryCell { caption: "one tab, current"; TabbedPanel { tabs: 1; current: 0; width: 200 } }
            GalleryCell { caption: "one tab, not current"; TabbedPanel { tabs: 1; current: -1; width: 200 } }
            GalleryCell { caption: "radius 10"; TabbedPanel { radius: 10 } }
            GalleryCell {
                caption: "content colour"
                TabbedPanel { panelColour: OstrelColors.formFieldLabelBackground }
            }
        }

        GallerySection {
            width: parent.width
            title: "ToolBar, ToolButton"

            GalleryCell {
                caption: "tool bar with buttons: plain, hovered, disabled, disabled keeping its colour"
                ToolBar {
                    width: 760

                    ToolButton { text: "Refresh" }
                    ToolButton { text: "Export all data"; property bool showHovered: true }
                    ToolButton { text: "Delete from device"; enabled: false }
                    ToolButton {
                        text: "Read-only mode"
                        enabled: false
                        overrideDisabledColor: true
                        iconColor: OstrelColors.dangerButtonColor
                    }
                    ToolButton {
                        text: "Show files in explorer"
                        Text {
                            anchors.centerIn: parent
                            text: "F"
                            font.pixelSize: 20
                            font.bold: true
                            color: OstrelColors.background
                        }
                    }
                    ToolButton {}
                    Item { Layout.fillWidth: true }
                }
            }
        }

        GallerySection {
            width: parent.width
            title: "NotchToolBar, Separator, FooterLogo"

            GalleryCell { caption: "NotchToolBar, implicit size"; NotchToolBar {} }
            GalleryCell {
                caption: "NotchToolBar, 420 wide"
                NotchToolBar {
                    width: 420
                    Text { text: "Halvora Lab"; font.pixelSize: 18; anchors.centerIn: parent }
                }
            }
            GalleryCell { caption: "Separator"; Separator { width: 300 } }
            GalleryCell { caption: "Separator, vertical"; Separator { orientation: Qt.Vertical; height: 120 } }
            GalleryCell {
                caption: "FooterLogo"
                FooterLogo {
                    // The names the program sets at start.
                    Component.onCompleted: {
                        Qt.application.name = "Halvora Lab"
                        Qt.application.version = "1.0"
                    }
                }
            }
        }

        GallerySection {
            width: parent.width
            title: "Shelf, ShelfSectionHeading, GroupBox, LabelContainer"

            GalleryCell {
                caption: "opened"
                Shelf {
                    width: 560
                    height: 500

                    ShelfSectionHeading { headingText: "Connection" }
                    LabelContainer {
                        label: "address"
                        labelWidth: 190
                        FormTextField { text: "192.168.192.2"; width: 220 }
                    }
                    LabelContainer {
                        label: "port"
                        labelWidth: 190
                        SpinBox { from: 1; to: 65535; value: 9090 }
                    }
                    ShelfSectionHeading { headingText: "Board" }
                    GroupBox {
                        title: "Start-up"
                        Layout.fillWidth: true
                        CheckBox { text: "Start the application"; width: 300 }
                    }
                }
            }
            GalleryCell {
                caption: "content taller than the opening"
                Shelf {
                    width: 420
                    height: 360

                    Repeater {
                        model: ["first", "second", "third", "fourth", "fifth"]
                        LabelContainer {
                            required property string modelData
                            label: modelData
                            labelWidth: 150
                            FormTextField { width: 120 }
                        }
                    }
                }
            }
            GalleryCell {
                caption: "closed"
                Shelf {
                    height: 360
                    opened: false
                    ShelfSectionHeading { headingText: "Hidden" }
                }
            }
            GalleryCell {
                caption: "GroupBox, long title"
                GroupBox {
                    width: 220
                    title: "A group title far too long for its box"
                    Label { text: "Content" }
                }
            }
        }
    }
}
