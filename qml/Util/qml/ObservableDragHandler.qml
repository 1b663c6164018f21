import QtQuick

// One drag handler shared by several observers. On every press the most
// interested observer is chosen: of those whose condition accepts the point, the
// one with the highest priority, the first registered among equals. It alone gets
// the drag: grab when the drag starts, axes with the translation since the start
// while it moves, and ungrab when it ends.
DragHandler {
    id: handler

    property var observers: ({})
    property int lastKey: 0
    property int activeObserverIndex: -1

    // Registers an observer; the key it returns removes it again.
    function addHandler(priority, interestCondition, grabHandler, ungrabHandler, axesHandler) {
        const key = lastKey
        lastKey = key + 1
        observers[key] = {
            "priority": priority,
            "condition": interestCondition,
            "grab": grabHandler,
            "ungrab": ungrabHandler,
            "axes": axesHandler
        }
        return key
    }

    function removeHandler(key) {
        delete observers[key]
    }

    function _chooseObserver(point) {
        let chosen = -1
        let chosenPriority = -1
        // Keys grow with every registration, so this is the order of registration.
        for (const key in observers) {
            const observer = observers[key]
            const interested = typeof observer.condition === "function" && observer.condition(point)
            if (interested && observer.priority > chosenPriority) {
                chosen = Number(key)
                chosenPriority = observer.priority
            }
        }
        activeObserverIndex = chosen
    }

    function _call(name, argument) {
        const observer = observers[activeObserverIndex]
        if (observer && typeof observer[name] === "function")
            observer[name](argument)
    }

    onGrabChanged: (transition, point) => {
        switch (transition) {
        case PointerDevice.GrabPassive:
            _chooseObserver(point)
            break
        case PointerDevice.GrabExclusive:
            _call("grab", point)
            break
        case PointerDevice.UngrabExclusive:
        case PointerDevice.CancelGrabExclusive:
        case PointerDevice.OverrideGrabExclusive:
            _call("ungrab", point)
            activeObserverIndex = -1
            break
        }
    }

    onTranslationChanged: _call("axes", translation)
}
