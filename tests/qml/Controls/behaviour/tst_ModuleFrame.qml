import QtQuick
import QtTest
import ostrel.Controls
import "colours.js" as Colours

TestCase {
    id: testCase

    name: "ModuleFrame"
    width: 800
    height: 600
    visible: true
    when: windowShown

    Component {
        id: paneComponent
        MainPane {}
    }

    // A document that imports only QtQuick, the layouts and this module also gets the
    // Material style's types.
    function test_materialTypesComeAlong() {
        const item = Qt.createQmlObject(`
            import QtQuick
            import QtQuick.Layouts
            import ostrel.Controls
            Item {
                property alias tip: tip
                property alias plain: plain
                property var overlay: Overlay.overlay
                AbstractButton { id: plain }
                ToolTip { id: tip; text: "Hint" }
            }`, testCase)
        verify(item.plain)
        compare(item.tip.text, "Hint")
        verify(item.overlay, "Overlay is the Material style's")
        item.destroy()
    }

    // The module's own types win over the Material types of the same name.
    function test_ownTypesFirst() {
        const item = Qt.createQmlObject(`
            import QtQuick
            import ostrel.Controls
            Item {
                property alias button: button
                property alias check: check
                Button { id: button; text: "OK" }
                CheckBox { id: check }
            }`, testCase)
        verify(item.button.hasOwnProperty("color"), "the module's Button has a base colour")
        verify(item.check.hasOwnProperty("drawBackground"), "the module's CheckBox")
        item.destroy()
    }

    function test_materialWrappers_data() {
        return [
            { tag: "ComboBox", source: "ComboBox { model: ['a', 'b'] }" },
            { tag: "Label", source: "Label { text: 'x' }" },
            { tag: "ProgressBar", source: "ProgressBar { value: 0.5 }" },
            { tag: "Slider", source: "Slider { value: 0.5 }" }
        ]
    }

    // The thin types are the Material ones: they answer to the Material attached
    // properties and keep their behaviour.
    function test_materialWrappers(data) {
        const item = Qt.createQmlObject("import QtQuick; import QtQuick.Controls.Material; import ostrel.Controls; "
                                        + data.source, testCase)
        verify(item)
        verify(item.Material.accent !== undefined)
        item.destroy()
    }

    // An empty pane is its paddings; the border lies inside its rectangle.
    function test_mainPane() {
        const pane = createTemporaryObject(paneComponent, testCase)
        compare(pane.implicitWidth, 20)
        compare(pane.implicitHeight, 20)
        compare(pane.padding, 10)
        compare(pane.background.border.width, 10)
        verify(Colours.near(pane.background.border.color, "#cccbca"))
        verify(Colours.near(pane.background.color, "#ffffff"))
        compare(pane.background.radius, 0)

        const content = Qt.createQmlObject("import QtQuick; Item { implicitWidth: 200; implicitHeight: 100 }", pane)
        pane.contentItem.children = [content]
        pane.contentWidth = 200
        pane.contentHeight = 100
        compare(pane.implicitWidth, 220)
        compare(pane.implicitHeight, 120)
    }

    function test_applicationWindow() {
        const window = Qt.createQmlObject("import ostrel.Controls; ApplicationWindow { width: 100; height: 80 }",
                                          testCase)
        verify("menuBar" in window, "an application window")
        compare(window.width, 100)
        window.destroy()
    }
}
