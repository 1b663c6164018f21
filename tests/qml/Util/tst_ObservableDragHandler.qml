import QtQuick
import QtTest
import ostrel.Util

TestCase {
    id: testCase
    name: "ObservableDragHandler"
    when: windowShown

    // A TestCase itself is never visible; the drag area needs a visible parent.
    Item {
        id: stage
        parent: testCase.parent
        width: 400
        height: 300
    }

    Component {
        id: areaComponent
        Item {
            property alias handler: dragHandler
            width: 300
            height: 200
            ObservableDragHandler {
                id: dragHandler
                target: null
            }
        }
    }

    property var calls: []

    function observer(name, priority, interested) {
        return [priority,
                point => { calls.push(name + " asked"); return interested },
                point => calls.push(name + " grab"),
                point => calls.push(name + " ungrab"),
                translation => calls.push(name + " axes " + Math.round(translation.x))]
    }

    function drag(area) {
        mousePress(area, 50, 50)
        for (let x = 60; x <= 110; x += 10)
            mouseMove(area, x, 50)
        mouseRelease(area, 110, 50)
    }

    function init() {
        calls = []
    }

    function test_choosingTheObserver_data() {
        return [
            { tag: "equal priorities: the first registered wins",
              observers: [["a", 5, true], ["b", 5, true]], chosen: "a" },
            { tag: "a higher priority registered later wins",
              observers: [["a", 5, true], ["b", 7, true]], chosen: "b" },
            { tag: "an uninterested observer is passed over",
              observers: [["a", 9, false], ["b", 1, true]], chosen: "b" },
            { tag: "nobody interested", observers: [["a", 5, false]], chosen: "" }
        ]
    }
    function test_choosingTheObserver(data) {
        const area = createTemporaryObject(areaComponent, stage)
        for (const [name, priority, interested] of data.observers)
            area.handler.addHandler(...observer(name, priority, interested))
        drag(area)

        for (const [name] of data.observers)
            verify(calls.includes(name + " asked"), "every condition is asked: " + name)
        const others = data.observers.map(o => o[0]).filter(name => name !== data.chosen)
        for (const name of others)
            verify(!calls.some(call => call.startsWith(name + " ") && !call.endsWith("asked")), calls.join())
        compare(area.handler.activeObserverIndex, -1, "nobody is active after the drag")
        if (data.chosen === "")
            return
        const own = calls.filter(call => call.startsWith(data.chosen + " ") && !call.endsWith("asked"))
        compare(own[0], data.chosen + " grab")
        compare(own[own.length - 1], data.chosen + " ungrab")
        const moves = own.filter(call => call.includes(" axes "))
        verify(moves.length > 0)
        compare(moves[moves.length - 1], data.chosen + " axes 60", "the translation since the start")
    }

    function test_removedObserversAreGone() {
        const area = createTemporaryObject(areaComponent, stage)
        const first = area.handler.addHandler(...observer("a", 5, true))
        const second = area.handler.addHandler(...observer("b", 1, true))
        compare(first, 0)
        compare(second, 1)
        area.handler.removeHandler(first)
        drag(area)
        verify(!calls.includes("a asked"))
        verify(calls.includes("b grab"))
        compare(area.handler.addHandler(...observer("c", 1, true)), 2, "keys are not reused")
    }

    function test_missingFunctionsAreSkipped() {
        const area = createTemporaryObject(areaComponent, stage)
        area.handler.addHandler(5, () => true, undefined, undefined, undefined)
        drag(area)
        compare(area.handler.activeObserverIndex, -1)
    }
}
