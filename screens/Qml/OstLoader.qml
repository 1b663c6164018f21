import QtQuick

// The view stack: shows one screen at a time and keeps every screen it has shown, so
// that a screen keeps its state (and its bindings stay live) while another is shown.
//
// Set moduleURI (empty for a file) and then source to switch screens. A source is a
// QML file, resolved against this file's folder ("qrc:/Qml/"), or, with moduleURI
// set, a type of that QML module. A screen that cannot be made leaves the previous one
// shown and sets source back. The pages are the stack's children: they go with it.
Item {
    id: stack

    property string source
    property string moduleURI
    property var cachedPages: ({})
    property string oldSource
    // Where Tab leads: the home screen. Empty: Tab does nothing here.
    property string homeSource
    // The screen shown now.
    readonly property Item currentPage: currentPageHolder
    property Item currentPageHolder: null

    onSourceChanged: show(source)

    // Tab goes home, unless a text field has the focus (it keeps its Tab) or a page
    // took the key itself (then it never arrives here).
    Keys.onTabPressed: function (event) {
        var focused = stack.Window.activeFocusItem
        if (homeSource === "" || (focused && (focused instanceof TextInput || focused instanceof TextEdit))) {
            event.accepted = false
            return
        }
        moduleURI = ""
        source = homeSource
        event.accepted = true
    }
    Component.onCompleted: {
        if (source !== "" && !cachedPages[source])
            show(source)
    }

    function show(newSource) {
        var previous = cachedPages[oldSource]
        if (previous) {
            previous.visible = false
            previous.enabled = false
        }
        var page = cachedPages[newSource]
        if (newSource === "") {
            currentPageHolder = null
            oldSource = ""
            return
        }
        if (page) {
            page.enabled = true
            page.visible = true
        } else {
            page = createPage(newSource)
            if (!page) {
                console.warn("could not initialize UI component")
                // Shows the previous page again (through this handler) and stops here.
                source = oldSource
                return
            }
            page.anchors.fill = stack
            cachedPages[newSource] = page
        }
        currentPageHolder = page
        oldSource = newSource
        // A field on the page left behind may have held the focus, which then falls
        // back to an item around the stack; Tab would no longer reach the stack.
        var focused = stack.Window.activeFocusItem
        if (stack.Window.window && (!focused || encloses(focused, stack)))
            stack.forceActiveFocus()
    }

    function encloses(outer, item) {
        for (var p = item.parent; p; p = p.parent) {
            if (p === outer)
                return true
        }
        return false
    }

    function createPage(newSource) {
        if (moduleURI !== "") {
            // A type of a QML module, made from its name.
            try {
                return Qt.createQmlObject("import " + moduleURI + "\n" + newSource + " {}\n", stack, "OstLoader")
            } catch (error) {
                console.warn("could not initialize UI component: " + (error.qmlErrors
                    ? error.qmlErrors.map(function (e) { return e.message }).join("; ") : error))
                return null
            }
        }
        var component = Qt.createComponent(newSource)
        if (component.status !== Component.Ready) {
            console.warn("could not initialize UI component: " + component.errorString())
            return null
        }
        return component.createObject(stack)
    }
}
