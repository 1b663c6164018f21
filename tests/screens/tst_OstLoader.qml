import QtQuick
import QtTest

// The view stack: it keeps every page it has shown, and a page that cannot be made
// leaves the shown page in place.
TestCase {
    id: test
    name: "OstLoader"
    width: 400
    height: 300
    visible: true
    when: windowShown

    readonly property real hRef: 1080
    readonly property real uScale: hRef / 1080.01

    readonly property string pageA: Qt.resolvedUrl("pages/PageA.qml")
    readonly property string pageB: Qt.resolvedUrl("pages/PageB.qml")

    Component {
        id: stackComponent
        Item {
            width: 400
            height: 300
            property alias stack: loader.item
            Loader {
                id: loader
                anchors.fill: parent
                source: "qrc:/Qml/OstLoader.qml"
            }
        }
    }

    function makeStack(firstSource) {
        var holder = createTemporaryObject(stackComponent, test)
        verify(holder.stack)
        holder.stack.source = firstSource
        return holder.stack
    }

    function test_returningShowsTheSamePage() {
        var stack = makeStack(pageA)
        var first = stack.currentPage
        verify(first)
        first.note = "typed before leaving"
        compare(first.width, stack.width)
        compare(first.height, stack.height)

        stack.source = pageB
        var second = stack.currentPage
        verify(second !== first)
        compare(stack.oldSource, pageB)
        // The page left stays alive, hidden and disabled.
        verify(!first.visible)
        verify(!first.enabled)
        verify(second.visible)

        stack.source = pageA
        compare(stack.currentPage, first)
        compare(first.note, "typed before leaving")
        verify(first.visible && first.enabled)
        verify(!second.visible && !second.enabled)
        compare(Object.keys(stack.cachedPages).length, 2)
    }

    function test_badSourceKeepsThePreviousPage_data() {
        return [
            { tag: "missing file", source: Qt.resolvedUrl("pages/NoSuchPage.qml") },
            { tag: "broken file", source: Qt.resolvedUrl("pages/Broken.qml") }
        ]
    }

    function test_badSourceKeepsThePreviousPage(data) {
        var stack = makeStack(pageA)
        var shown = stack.currentPage
        ignoreWarning(new RegExp("^could not initialize UI component: .*" + String(data.source).split("/").pop()))
        ignoreWarning("could not initialize UI component")
        stack.source = data.source
        compare(stack.source, pageA)
        compare(stack.oldSource, pageA)
        compare(stack.currentPage, shown)
        verify(shown.visible && shown.enabled)
        verify(stack.cachedPages[String(data.source)] === undefined)
    }

    function test_moduleTypeIsMadeByName() {
        var stack = makeStack(pageA)
        stack.moduleURI = "QtQuick"
        stack.source = "Rectangle"
        verify(stack.currentPage !== null)
        verify(stack.currentPage.hasOwnProperty("color"))
        compare(stack.currentPage.width, stack.width)

        ignoreWarning(/^could not initialize UI component: .*/)
        ignoreWarning("could not initialize UI component")
        stack.source = "NoSuchType"
        compare(stack.source, "Rectangle")
    }

    function test_relativePathsResolveAgainstTheStacksFolder() {
        // "Forms/ModuleView.qml" next to the stack is the home screen.
        var stack = makeStack("Forms/ModuleView.qml")
        verify(stack.currentPage !== null)
        verify(stack.currentPage.modules !== undefined)
    }

    function test_tabGoesHomeButNotFromATextField() {
        var stack = makeStack(pageA)
        stack.homeSource = pageA
        stack.source = pageB
        var withField = stack.currentPage
        withField.field.forceActiveFocus()
        verify(withField.field.activeFocus)
        keyClick(Qt.Key_Tab)
        compare(stack.source, pageB)

        stack.forceActiveFocus()
        keyClick(Qt.Key_Tab)
        compare(stack.source, pageA)
        verify(!withField.visible)

        // Leaving a page whose field held the focus hands the focus back to the stack,
        // so that Tab leads home again.
        stack.source = pageB
        withField.field.forceActiveFocus()
        stack.source = Qt.resolvedUrl("pages/Broken.qml").toString().replace("Broken", "PageC")
        verify(stack.activeFocus)
        keyClick(Qt.Key_Tab)
        compare(stack.source, pageA)
    }
}
