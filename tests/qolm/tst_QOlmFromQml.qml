import QtQuick
import QtTest
import com.ostrel
import HalvoraTest.QOlm

TestCase {
    id: testCase
    name: "QOlmFromQml"

    QtObjectList {
        id: declared
        QtObject { objectName: "first" }
        QtObject { objectName: "second" }
    }

    Component {
        id: elementComponent
        Element {}
    }
    Component {
        id: plainComponent
        QtObject {}
    }
    Component {
        id: elementListComponent
        ElementList {}
    }
    Component {
        id: spyComponent
        SignalSpy {}
    }

    function element(name) {
        return elementComponent.createObject(null, { objectName: name })
    }
    function plain(name) {
        return plainComponent.createObject(null, { objectName: name })
    }
    function listOf(names) {
        const list = createTemporaryObject(elementListComponent, testCase)
        for (const name of names)
            list.append(element(name))
        return list
    }
    function names(list) {
        const result = []
        for (let row = 0; row < list.count; ++row)
            result.push(list.get(row).objectName)
        return result
    }
    function spy(target, signalName) {
        return createTemporaryObject(spyComponent, testCase, { target: target, signalName: signalName })
    }

    function test_declaredObjectsAreTheRows() {
        compare(declared.count, 2)
        compare(declared.length, 2)
        compare(declared.size, 2)
        compare(declared.defaultChildren.length, 2)
        compare(names(declared), ["first", "second"])
        compare(declared.roleForName("objectName"), 257)
        compare(declared.roleForName("qtObject"), 256)
    }

    function test_addingObjects() {
        const list = listOf([])
        const inserted = spy(list, "objectInserted")
        list.append(element("a"))
        list.prepend(element("b"))
        list.insert(1, element("c"))
        compare(names(list), ["b", "c", "a"])
        compare(inserted.count, 3)
        compare(inserted.signalArguments[2][1], 1)
        verify(!list.empty())
    }

    function test_arraysInsertTheirElementsAsOneBlock() {
        const list = listOf(["e0"])
        const rows = spy(list, "rowsInserted")
        ignoreWarning("\"QOlm<Element>\" : Fail to append  \"text\" , item isn't QObject")
        ignoreWarning(/^"QOlm<Element>" : Fail to append  ".*" , item isn't a Element derived class$/)
        list.append([element("a"), "text", plain("p"), element("b")])
        compare(names(list), ["e0", "a", "b"])
        compare(rows.count, 1)
        compare(rows.signalArguments[0][1], 1)
        compare(rows.signalArguments[0][2], 2)

        list.insert(1, [element("c"), element("d")])
        compare(names(list), ["e0", "c", "d", "a", "b"])
        list.prepend([element("z")])
        compare(names(list), ["z", "e0", "c", "d", "a", "b"])
    }

    function test_arraysWithNothingToAddSayNothingMore() {
        const list = listOf(["e0"])
        ignoreWarning("\"QOlm<Element>\" : Fail to append  \"x\" , item isn't QObject")
        ignoreWarning("\"QOlm<Element>\" : Fail to append  \"1\" , item isn't QObject")
        failOnWarning(/./)
        list.append([])
        list.append(["x", 1])
        compare(names(list), ["e0"])
    }

    function test_removeByNumber_data() {
        return [
            { tag: "1.7 removes row 1", value: 1.7, left: ["e0", "e2"] },
            { tag: "-0.5 removes row 0", value: -0.5, left: ["e1", "e2"] },
            { tag: "2 removes the last row", value: 2, left: ["e0", "e1"] },
            { tag: "3 is outside", value: 3, left: ["e0", "e1", "e2"], refused: true },
            { tag: "-1 is outside", value: -1, left: ["e0", "e1", "e2"], refused: true },
            { tag: "NaN is no row", value: NaN, left: ["e0", "e1", "e2"], refused: true },
            { tag: "Infinity is no row", value: Infinity, left: ["e0", "e1", "e2"], refused: true },
            { tag: "a huge number is no row", value: 1e300, left: ["e0", "e1", "e2"], refused: true }
        ]
    }
    function test_removeByNumber(data) {
        const list = listOf(["e0", "e1", "e2"])
        if (data.refused)
            ignoreWarning("Can't remove an object whose index is out of bound")
        list.remove(data.value)
        compare(names(list), data.left)
    }

    function test_removeByElementAndArray() {
        const list = listOf(["e0", "e1", "e2", "e3"])
        const removed = spy(list, "objectRemoved")
        list.remove(list.get(1))
        compare(names(list), ["e0", "e2", "e3"])
        list.remove([list.get(0), list.get(2)])
        compare(names(list), ["e2"])
        compare(removed.count, 3)
        list.clear()
        compare(list.count, 0)
    }

    function test_valuesOfTheWrongKind_data() {
        return [
            { tag: "append a text", run: list => list.append("text"),
              warning: "\"QOlm<Element>\" : Fail to append \"text\" , item isn't a QObject, an array of QObject" },
            { tag: "prepend a number", run: list => list.prepend(3),
              warning: "\"QOlm<Element>\" : Fail to prepend \"3\" , item isn't a QObject, an array of QObject" },
            { tag: "insert null", run: list => list.insert(0, null),
              warning: "\"QOlm<Element>\" : Fail to insert \"null\" , item isn't a QObject, an array of QObject" },
            { tag: "remove a text", run: list => list.remove("e0"),
              warning: "\"QOlm<Element>\" : Fail to remove \"e0\" , item isn't a QObject, an array of QObject or a number" },
            { tag: "append another class", run: list => list.append(testCase.plain("p")),
              warning: /^"QOlm<Element>" : Fail to append ".*" , item isn't a Element derived class$/ },
            { tag: "indexOf a text", run: list => compare(list.indexOf("e0"), -1),
              warning: "\"QOlm<Element>\" : Fail to get indexOf \"e0\" , item isn't a QObject" },
            { tag: "contains a text", run: list => verify(!list.contains("s")),
              warning: "\"QOlm<Element>\" : Fail to get indexOf \"s\" , item isn't a QObject" },
            { tag: "get outside", run: list => compare(list.get(5), null),
              warning: "The index 5 is out of bound." }
        ]
    }
    function test_valuesOfTheWrongKind(data) {
        const list = listOf(["e0"])
        ignoreWarning(data.warning)
        data.run(list)
        compare(names(list), ["e0"])
    }

    function test_searching() {
        const list = listOf(["e0", "e1"])
        const outside = element("outside")
        compare(list.indexOf(list.get(1)), 1)
        verify(list.contains(list.get(0)))
        failOnWarning(/./)
        verify(!list.contains(outside)) // an absent element is no failure
        outside.destroy()
    }

    function test_moving() {
        const list = listOf(["e0", "e1", "e2"])
        const moved = spy(list, "objectMoved")
        list.move(0, 2)
        compare(names(list), ["e1", "e2", "e0"])
        list.moveNext(0)
        compare(names(list), ["e2", "e1", "e0"])
        list.movePrevious(2)
        compare(names(list), ["e2", "e0", "e1"])
        compare(moved.count, 3)
        compare(moved.signalArguments[0][1], 0)
        compare(moved.signalArguments[0][2], 2)
    }

    Component {
        id: viewComponent
        Repeater {
            delegate: Text {
                required property var model
                text: model.objectName + ":" + model.fileName + ":" + model.qtObject.objectName
            }
        }
    }

    // A view follows the rows and every property change of an element.
    function test_viewsFollowTheElements() {
        const list = listOf(["e0", "e1"])
        const view = createTemporaryObject(viewComponent, testCase, { model: list })
        compare(view.count, 2)
        compare(view.itemAt(1).text, "e1::e1")
        list.get(1).fileName = "f.hapbf"
        compare(view.itemAt(1).text, "e1:f.hapbf:e1")
        list.append(element("e2"))
        compare(view.count, 3)
        list.move(2, 0)
        compare(view.itemAt(0).text, "e2::e2")
        list.remove(0)
        compare(view.count, 2)
        compare(view.itemAt(0).text, "e0::e0")
    }

    function test_countIsBindable() {
        const list = listOf([])
        const counter = spy(list, "countChanged")
        list.append([element("a"), element("b")])
        list.clear()
        compare(counter.count, 2)
        compare(counter.signalArguments[0][0], 2)
        compare(counter.signalArguments[1][0], 0)
    }
}
