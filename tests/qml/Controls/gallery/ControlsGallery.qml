import QtQuick
import ostrel.Branding
import ostrel.Controls

// Every control of the ostrel.Controls module in each of its states. scripts/screenshots
// renders it; the controls marked showHovered are drawn hovered there.
ApplicationWindow {
    id: window

    width: 1800
    height: 1480
    visible: true
    title: "ostrel.Controls"
    color: OstrelColors.background

    Column {
        x: 30
        y: 20
        width: window.width - 60
        spacing: 22

        GallerySection {
            width: parent.width
            title: "Button"

            GalleryCell { caption: "enabled"; Button { text: "Connect" } }
            GalleryCell { caption: "hovered"; Button { text: "Connect"; property bool showHovered: true } }
            GalleryCell { caption: "pressed"; Button { text: "Connect"; down: true } }
            GalleryCell { caption: "disabled"; Button { text: "Connect"; enabled: false } }
            GalleryCell {
                caption: "danger colour"
                Button { text: "Disconnect"; color: OstrelColors.dangerButtonColor }
            }
            GalleryCell {
                caption: "danger colour, hovered"
                Button { text: "Disconnect"; color: OstrelColors.dangerButtonColor; property bool showHovered: true }
            }
            GalleryCell {
                caption: "danger colour, disabled"
                Button { text: "Disconnect"; color: OstrelColors.dangerButtonColor; enabled: false }
            }
            GalleryCell { caption: "taller"; Button { text: "Today"; height: 64 } }
        }

        GallerySection {
            width: parent.width
            title: "ModuleButton, HomeButton"

            GalleryCell {
                caption: "enabled"
                ModuleButton { width: 180; height: 180; text: "Devices"; icon.source: "qrc:/images/logo/Ostrel_Footer_logo.svg" }
            }
            GalleryCell {
                caption: "hovered"
                ModuleButton {
                    width: 180; height: 180; text: "Devices"; icon.source: "qrc:/images/logo/Ostrel_Footer_logo.svg"
                    property bool showHovered: true
                }
            }
            GalleryCell {
                caption: "disabled"
                ModuleButton {
                    width: 180; height: 180; text: "Devices"; icon.source: "qrc:/images/logo/Ostrel_Footer_logo.svg"
                    enabled: false
                }
            }
            GalleryCell { caption: "HomeButton"; HomeButton {} }
            GalleryCell { caption: "HomeButton, 192 × 80"; HomeButton { width: 192; height: 80 } }
            GalleryCell { caption: "HomeButton, disabled"; HomeButton { enabled: false } }
        }

        GallerySection {
            width: parent.width
            title: "CheckBox, CheckIndicator"

            GalleryCell { caption: "unchecked"; CheckBox { text: "Log data"; width: 250 } }
            GalleryCell { caption: "checked"; CheckBox { text: "Log data"; width: 250; checked: true } }
            GalleryCell {
                caption: "hovered"
                CheckBox { text: "Log data"; width: 250; property bool showHovered: true }
            }
            GalleryCell { caption: "pressed"; CheckBox { text: "Log data"; width: 250; down: true } }
            GalleryCell { caption: "disabled"; CheckBox { text: "Log data"; width: 250; enabled: false } }
            GalleryCell {
                caption: "disabled, checked"
                CheckBox { text: "Log data"; width: 250; enabled: false; checked: true }
            }
            GalleryCell { caption: "no text"; CheckBox { checked: true } }
            GalleryCell { caption: "without background"; CheckBox { text: "Log data"; drawBackground: false } }
            GalleryCell { caption: "default width, text elided"; CheckBox { text: "Log data" } }
            GalleryCell {
                caption: "indicator: unchecked, partially, checked"
                Row {
                    spacing: 12
                    Repeater {
                        model: [Qt.Unchecked, Qt.PartiallyChecked, Qt.Checked]
                        Rectangle {
                            required property int modelData
                            width: 26
                            height: 26
                            radius: 13
                            color: OstrelColors.background
                            border.color: OstrelColors.formFieldToggleFalse
                            CheckIndicator {
                                anchors.centerIn: parent
                                checkState: parent.modelData
                            }
                        }
                    }
                }
            }
        }

        GallerySection {
            width: parent.width
            title: "TextField"

            GalleryCell { caption: "empty"; TextField { width: 260; placeholderText: "Device address" } }
            GalleryCell {
                caption: "hovered"
                TextField { width: 260; placeholderText: "Device address"; property bool showHovered: true }
            }
            GalleryCell { caption: "focused"; TextField { width: 260; placeholderText: "Device address"; focus: true } }
            GalleryCell {
                caption: "filled"
                TextField { width: 260; placeholderText: "Device address"; text: "192.168.192.2" }
            }
            GalleryCell {
                caption: "selected text"
                TextField {
                    width: 260; placeholderText: "User name"; text: "ros-operator"
                    Component.onCompleted: select(0, 3)
                }
            }
            GalleryCell {
                caption: "disabled"
                TextField { width: 260; placeholderText: "Device address"; text: "192.168.192.2"; enabled: false }
            }
            GalleryCell { caption: "no placeholder"; TextField { width: 260 } }
            GalleryCell {
                caption: "filled container"
                TextField { width: 260; placeholderText: "User name"; containerStyle: TextField.Filled }
            }
            GalleryCell {
                caption: "filled container, text"
                TextField { width: 260; placeholderText: "User name"; text: "ros"; containerStyle: TextField.Filled }
            }
        }

        GallerySection {
            width: parent.width
            title: "FormTextField, FormComboBox, SpinBox"

            GalleryCell { caption: "FormTextField, empty"; FormTextField { width: 240 } }
            GalleryCell { caption: "FormTextField, filled"; FormTextField { width: 240; text: "Zelto X1" } }
            GalleryCell {
                caption: "FormTextField, disabled"
                FormTextField { width: 240; text: "Zelto X1"; enabled: false }
            }
            GalleryCell { caption: "FormComboBox"; FormComboBox { model: ["Zelto X1", "Zelto X2"] } }
            GalleryCell {
                caption: "FormComboBox, long entry"
                FormComboBox { model: ["A board name far too long for the field"] }
            }
            GalleryCell { caption: "FormComboBox, no entries"; FormComboBox { model: [] } }
            GalleryCell {
                caption: "FormComboBox, disabled"
                FormComboBox { model: ["Zelto X1"]; enabled: false }
            }
            GalleryCell { caption: "SpinBox"; SpinBox { from: 0; to: 100; value: 42 } }
            GalleryCell { caption: "SpinBox, editable"; SpinBox { from: 0; to: 100; value: 7; editable: true } }
            GalleryCell { caption: "SpinBox, disabled"; SpinBox { from: 0; to: 100; value: 42; enabled: false } }
            GalleryCell {
                caption: "SpinBox, right to left"
                SpinBox {
                    from: -10; to: 10; value: -3
                    LayoutMirroring.enabled: true
                }
            }
        }

        GallerySection {
            width: parent.width
            title: "DialogButton, Material controls, MainPane, QImage"

            GalleryCell { caption: "DialogButton"; DialogButton { text: "Apply"; width: 200; height: 80 } }
            GalleryCell {
                caption: "DialogButton, hovered"
                DialogButton { text: "Apply"; width: 200; height: 80; property bool showHovered: true }
            }
            GalleryCell {
                caption: "DialogButton, disabled"
                DialogButton { text: "Apply"; width: 200; height: 80; enabled: false }
            }
            GalleryCell { caption: "ComboBox"; ComboBox { model: ["USB", "Wi-Fi"] } }
            GalleryCell { caption: "Slider"; Slider { value: 0.4 } }
            GalleryCell { caption: "ProgressBar"; ProgressBar { value: 0.6; width: 160 } }
            GalleryCell { caption: "Label"; Label { text: "Material label" } }
            GalleryCell {
                caption: "MainPane"
                MainPane {
                    width: 200
                    height: 90
                    Label { anchors.centerIn: parent; text: "Content" }
                }
            }
            GalleryCell {
                caption: "QImage: stretch, fit, crop, pad"
                Row {
                    spacing: 10
                    Repeater {
                        id: images
                        model: [QImage.Stretch, QImage.PreserveAspectFit, QImage.PreserveAspectCrop, QImage.Pad]
                        Rectangle {
                            required property int modelData
                            property alias picture: picture
                            width: 90
                            height: 90
                            color: "transparent"
                            border.color: OstrelColors.mainBorderColor
                            QImage {
                                id: picture
                                width: 90
                                height: 90
                                fillMode: parent.modelData
                            }
                        }
                    }
                }
            }
        }
    }

    // The picture the image items show: 160 × 80, green with an orange disc.
    Rectangle {
        id: pattern

        x: -width
        width: 160
        height: 80
        color: OstrelColors.accentColor

        Rectangle {
            x: 20
            y: 10
            width: 60
            height: 60
            radius: 30
            color: OstrelColors.accentBorderColor
        }

    }

    // An item can be grabbed once its window shows.
    Timer {
        interval: 20
        repeat: true
        running: true
        onTriggered: {
            if (pattern.grabToImage(result => {
                for (let i = 0; i < images.count; ++i)
                    images.itemAt(i).picture.image = result.image
            }))
                running = false
        }
    }
}
