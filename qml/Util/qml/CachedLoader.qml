import QtQuick

// Shows one page at a time and keeps every page it has shown alive, hidden and
// disabled, so that a page shown again keeps its state. A page is known by its
// module, its type name and the properties it was made with.
Item {
    id: loader

    // The page shown, or null.
    property Item item: null

    property var _pages: ({})
    property string _shownId: ""

    function load(moduleUri, source, properties) {
        if (properties === undefined)
            properties = {}
        let id
        try {
            id = [moduleUri, source, JSON.stringify(properties)].join("::")
        } catch (error) {
            console.warn("could not initialize UI component: " + error.message)
            return false
        }
        if (id === _shownId)
            return true
        if (item) {
            item.visible = false
            item.enabled = false
        }
        let page = _pages[id]
        if (!page) {
            page = _create(moduleUri, source, properties)
            if (!page) {
                _shownId = ""
                item = null
                return false
            }
            page.anchors.fill = loader
            _pages[id] = page
        }
        _shownId = id
        item = page
        page.visible = true
        page.enabled = true
        return true
    }

    // A page of the type source of the module moduleUri. The names go into QML
    // text, so only plain module and type names are taken.
    function _create(moduleUri, source, properties) {
        if (!/^[A-Za-z_][A-Za-z0-9_]*(\.[A-Za-z_][A-Za-z0-9_]*)*$/.test(moduleUri)
                || !/^[A-Z][A-Za-z0-9_]*$/.test(source)) {
            console.warn("could not initialize UI component: \"" + moduleUri + "\" \"" + source
                         + "\" is no module and type name")
            return null
        }
        let component
        try {
            component = Qt.createQmlObject("import QtQml\nimport " + moduleUri + "\nComponent { " + source + " {} }",
                                           loader, "CachedLoader")
        } catch (error) {
            const messages = error.qmlErrors ? error.qmlErrors.map(e => e.message).join("; ") : error.message
            console.warn("could not initialize UI component: " + messages)
            return null
        }
        if (component.status !== Component.Ready) {
            console.warn("could not initialize UI component: " + component.errorString())
            component.destroy()
            return null
        }
        const page = component.createObject(loader, properties)
        component.destroy()
        if (!page) {
            console.warn("could not initialize UI component")
            return null
        }
        return page
    }

    Component.onDestruction: {
        for (const id in _pages)
            _pages[id].destroy()
    }
}
