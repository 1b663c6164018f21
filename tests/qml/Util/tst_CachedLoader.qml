import QtQuick
import QtQuick.Controls
import QtTest
import ostrel.Util

TestCase {
    id: testCase
    name: "CachedLoader"
    width: 400
    height: 300
    when: windowShown

    // A TestCase itself is never visible; the pages need a visible parent.
    Item {
        id: stage
        parent: testCase.parent
        width: 400
        height: 300
    }

    Component {
        id: loaderComponent
        CachedLoader {
            width: 200
            height: 100
        }
    }

    function test_aPageIsMadeOnceAndKept() {
        const loader = createTemporaryObject(loaderComponent, stage)
        verify(loader.load("QtQuick.Controls", "Button", { text: "one" }))
        const first = loader.item
        verify(first)
        compare(first.text, "one")
        compare(first.width, 200, "the page fills the loader")

        verify(loader.load("QtQuick.Controls", "Button", { text: "one" }))
        compare(loader.item, first)

        verify(loader.load("QtQuick.Controls", "Button", { text: "two" }))
        const second = loader.item
        verify(second !== first)
        verify(!first.visible && !first.enabled, "the page left is hidden and disabled")
        verify(second.visible && second.enabled)

        verify(loader.load("QtQuick.Controls", "Button", { text: "one" }))
        compare(loader.item, first, "the first page comes back, not a new one")
        verify(first.visible && first.enabled)
        verify(!second.visible)
    }

    // The page keeps working after its component was destroyed.
    function test_aKeptPageStaysAlive() {
        const loader = createTemporaryObject(loaderComponent, stage)
        verify(loader.load("QtQuick.Controls", "Button"))
        const button = loader.item
        button.text = "changed"
        compare(button.contentItem.text, "changed")
        verify(loader.load("QtQuick", "Rectangle", { color: "red" }))
        verify(Qt.colorEqual(loader.item.color, "red"))
        verify(loader.load("QtQuick.Controls", "Button"))
        compare(loader.item, button)
        compare(button.contentItem.text, "changed")
    }

    function test_failures_data() {
        return [
            { tag: "unknown type", uri: "QtQuick", type: "NoSuchPage",
              warning: /^could not initialize UI component: .*NoSuchPage/ },
            { tag: "unknown module", uri: "no.such.module", type: "Page",
              warning: /^could not initialize UI component: .*no\.such\.module/ },
            { tag: "not a type name", uri: "QtQuick", type: "Item {} Rectangle",
              warning: /^could not initialize UI component: .* is no module and type name$/ },
            { tag: "not a module name", uri: "QtQuick; import Other", type: "Item",
              warning: /^could not initialize UI component: .* is no module and type name$/ }
        ]
    }
    function test_failures(data) {
        const loader = createTemporaryObject(loaderComponent, stage)
        verify(loader.load("QtQuick", "Rectangle"))
        const shown = loader.item
        ignoreWarning(data.warning)
        compare(loader.load(data.uri, data.type), false)
        compare(loader.item, null)
        verify(!shown.visible)
        verify(loader.load("QtQuick", "Rectangle"), "a failure leaves the loader usable")
        compare(loader.item, shown)
    }

    function test_propertiesThatAreNoJson() {
        const loader = createTemporaryObject(loaderComponent, stage)
        const cyclic = {}
        cyclic.self = cyclic
        ignoreWarning(/^could not initialize UI component: /)
        compare(loader.load("QtQuick", "Item", { data: cyclic }), false)
    }
}
