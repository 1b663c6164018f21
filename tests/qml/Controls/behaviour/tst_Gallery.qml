import QtQuick
import QtTest

// The gallery pages that scripts/screenshots renders load without errors.
TestCase {
    id: testCase

    name: "Gallery"
    when: windowShown

    function test_pageLoads_data() {
        return [
            { tag: "controls", page: "../gallery/ControlsGallery.qml" },
            { tag: "dialog", page: "../gallery/DialogGallery.qml" },
            { tag: "error dialog", page: "../gallery/ErrorDialogGallery.qml" },
            { tag: "navigation", page: "../gallery/NavigationGallery.qml" },
            { tag: "tables", page: "../gallery/TableGallery.qml" },
            { tag: "pickers", page: "../gallery/PickerGallery.qml" }
        ]
    }

    function test_pageLoads(data) {
        failOnWarning(/TypeError|ReferenceError|Unable to assign|Cannot assign|not a type|Binding loop|is not defined/)
        const component = Qt.createComponent(Qt.resolvedUrl(data.page))
        compare(component.status, Component.Ready, component.errorString())
        const page = component.createObject(null)
        verify(page)
        wait(100)
        page.destroy()
    }
}
