import QtQuick

// A part of a screen that another part of the program brings (the board switch, the
// discovery dialog, the toolchain panel). While its file is not there the place stays
// empty, without a complaint; a file that is there but broken says why.
Item {
    id: holder

    property url source
    // An item, or a pop-up (the discovery dialog is one).
    property QtObject item: null
    // Made when first asked for (make()) rather than at once.
    property bool deferred: false
    readonly property bool present: component !== null && component.status === Component.Ready
    property var component: null

    implicitWidth: item ? item.implicitWidth : 0
    implicitHeight: item ? item.implicitHeight : 0

    Component.onCompleted: {
        component = Qt.createComponent(source)
        if (component.status === Component.Error && component.errorString().indexOf("No such file") < 0)
            console.warn(component.errorString())
        if (!deferred)
            make()
    }

    function make() {
        if (!item && present)
            item = component.createObject(holder)
        return item
    }
}
