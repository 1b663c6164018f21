import QtQuick
import QtTest
import "qrc:/Modules/Monitoring/GUI"

// A value typed into a parameter row reaches the simulated board, encoded as the
// parameter's data type, and the row then shows what the board holds: integers
// truncated and saturated at their bounds, fixed point on its steps, booleans and
// enumerations by their storage, singles at their precision.
TestCase {
    id: test
    name: "ParameterValues"
    width: 600
    height: 200
    visible: true
    when: windowShown

    readonly property real hRef: 1080
    readonly property real uScale: hRef / 1080.01

    // One block parameter of every data type, each with its own reference id.
    readonly property var model: ({
        name: "Types",
        fixedPoint: [{ wordLength: 16, signed: true, fraction: 0.1 }],
        types: [
            { name: "real_T", second: "double", id: 0 },
            { name: "real32_T", second: "single", id: 1 },
            { name: "int8_T", id: 2 },
            { name: "uint8_T", id: 3 },
            { name: "int16_T", id: 4 },
            { name: "uint16_T", id: 5 },
            { name: "int32_T", id: 6 },
            { name: "uint32_T", id: 7 },
            { name: "boolean_T", id: 8 },
            { name: "sfix16_En1", second: "fixdt(1,16,0.1,0)", id: 4 },
            { name: "GearMode", id: 254, storage: 6 }
        ],
        blockParameters: [
            { ref: 1, block: "Types/double", name: "Value", type: "real_T", values: [1] },
            { ref: 2, block: "Types/single", name: "Value", type: "real32_T", values: [1] },
            { ref: 3, block: "Types/int8", name: "Value", type: "int8_T", values: [1] },
            { ref: 4, block: "Types/uint8", name: "Value", type: "uint8_T", values: [1] },
            { ref: 5, block: "Types/int16", name: "Value", type: "int16_T", values: [32767] },
            { ref: 6, block: "Types/uint16", name: "Value", type: "uint16_T", values: [1] },
            { ref: 7, block: "Types/int32", name: "Value", type: "int32_T", values: [1] },
            { ref: 8, block: "Types/uint32", name: "Value", type: "uint32_T", values: [1] },
            { ref: 9, block: "Types/boolean", name: "Value", type: "boolean_T", values: [0] },
            { ref: 10, block: "Types/fixed", name: "Value", type: "sfix16_En1", fixedPoint: 1, values: [1] },
            { ref: 11, block: "Types/enumeration", name: "Value", type: "GearMode", values: [1] }
        ]
    })

    Component {
        id: rowComponent
        Item {
            property var simulinkVariable
            property alias row: loader.item
            width: 560
            height: 35 * uScale
            Loader {
                id: loader
                anchors.fill: parent
                source: "qrc:/Modules/Monitoring/GUI/List_ParameterDelegate.qml"
            }
        }
    }

    function initTestCase() {
        verify(testBoard.start(JSON.stringify(model)))
    }

    function cleanupTestCase() {
        testBoard.stop()
    }

    function typeInto(field, text) {
        field.forceActiveFocus()
        field.selectAll()
        keyClick(Qt.Key_Delete)
        for (let i = 0; i < text.length; ++i)
            keyClick(text[i])
    }

    function test_sentValue_data() {
        return [
            { tag: "double", ref: 1, typed: "-2.5e-12", shown: "-2.5e-12" },
            { tag: "double, many digits", ref: 1, typed: "3.14159265358979", shown: "3.14159265358979" },
            { tag: "single at its precision", ref: 2, typed: "12345678910", shown: "12345678848", bytes: "07f73750" },
            { tag: "single, decimal comma", ref: 2, typed: "0,25", shown: "0.25", bytes: "0000803e" },
            { tag: "int8 top", ref: 3, typed: "127", shown: "127", bytes: "7f" },
            { tag: "int8 above its top", ref: 3, typed: "300", shown: "127", bytes: "7f" },
            { tag: "int8 below its bottom", ref: 3, typed: "-129", shown: "-128", bytes: "80" },
            { tag: "int8 fraction truncated", ref: 3, typed: "-2.7", shown: "-2", bytes: "fe" },
            { tag: "uint8 negative", ref: 4, typed: "-5", shown: "0", bytes: "00" },
            { tag: "uint8 above its top", ref: 4, typed: "256", shown: "255", bytes: "ff" },
            { tag: "int16 bottom", ref: 5, typed: "-32768", shown: "-32768", bytes: "0080" },
            { tag: "int16 above its top", ref: 5, typed: "1e9", shown: "32767", bytes: "ff7f" },
            { tag: "uint16 top", ref: 6, typed: "65535", shown: "65535", bytes: "ffff" },
            { tag: "int32 bottom", ref: 7, typed: "-2147483648", shown: "-2147483648", bytes: "00000080" },
            { tag: "int32 above its top", ref: 7, typed: "2147483648", shown: "2147483647", bytes: "ffffff7f" },
            { tag: "uint32 top", ref: 8, typed: "4294967295", shown: "4294967295", bytes: "ffffffff" },
            { tag: "uint32 negative", ref: 8, typed: "-1", shown: "0", bytes: "00000000" },
            { tag: "boolean true", ref: 9, typed: "1", shown: "1", bytes: "01" },
            { tag: "boolean above 1", ref: 9, typed: "5", shown: "1", bytes: "01" },
            { tag: "boolean false", ref: 9, typed: "0", shown: "0", bytes: "00" },
            { tag: "boolean negative", ref: 9, typed: "-3", shown: "0", bytes: "00" },
            { tag: "fixed point on a step", ref: 10, typed: "0.3", shown: "0.3", bytes: "0300" },
            { tag: "fixed point between steps", ref: 10, typed: "0.36", shown: "0.4", bytes: "0400" },
            { tag: "fixed point negative", ref: 10, typed: "-12.3", shown: "-12.3", bytes: "85ff" },
            { tag: "fixed point above its top", ref: 10, typed: "5000.0", shown: "3276.7", bytes: "ff7f" },
            { tag: "enumeration", ref: 11, typed: "3", shown: "3", bytes: "03000000" },
            { tag: "enumeration fraction truncated", ref: 11, typed: "2.9", shown: "2", bytes: "02000000" }
        ]
    }

    function test_sentValue(data) {
        const path = "root/" + ["double", "single", "int8", "uint8", "int16", "uint16", "int32", "uint32",
                                "boolean", "fixed", "enumeration"][data.ref - 1] + "/Value"
        const parameter = testBoard.variable(path)
        verify(parameter, path)
        const host = createTemporaryObject(rowComponent, test, { simulinkVariable: parameter })
        tryVerify(() => host.row !== null)
        const field = host.row.inputField
        const button = host.row.sendButton

        typeInto(field, data.typed)
        verify(button.enabled)
        const writes = testBoard.parameterWrites()
        mouseClick(button)
        tryVerify(() => testBoard.parameterWrites() === writes + 1, 10000)
        tryVerify(() => parameter.sync && field.text === data.shown, 10000,
                  "shown " + field.text + ", board " + testBoard.boardBytes(data.ref))
        verify(!field.isDirty)
        compare(button.originalState, "black")
        if (data.bytes !== undefined)
            compare(testBoard.boardBytes(data.ref), data.bytes)
    }

    // A write the board clamps to the value it already held changes no value, yet
    // the row shows what the board holds instead of what was typed.
    function test_clampedToTheSameValue() {
        const parameter = testBoard.variable("root/int16/Value")
        const host = createTemporaryObject(rowComponent, test, { simulinkVariable: parameter })
        tryVerify(() => host.row !== null)
        const field = host.row.inputField
        typeInto(field, "-32768")
        keyClick(Qt.Key_Return)
        tryVerify(() => parameter.sync && field.text === "-32768", 10000)
        typeInto(field, "-40000")
        keyClick(Qt.Key_Return)
        tryVerify(() => parameter.sync && field.text === "-32768", 10000, "shown " + field.text)
        verify(!field.isDirty)
        compare(testBoard.boardBytes(5), "0080")
    }

    // Texts that are no finite number are never sent, by the button or by Enter.
    function test_invalidTextsAreNotSent_data() {
        return [
            { tag: "minus sign", typed: "-" },
            { tag: "decimal point", typed: "." },
            { tag: "decimal comma", typed: "," },
            { tag: "empty", typed: "" },
            { tag: "beyond a double", typed: "1e999" }
        ]
    }

    function test_invalidTextsAreNotSent(data) {
        const parameter = testBoard.variable("root/double/Value")
        const host = createTemporaryObject(rowComponent, test, { simulinkVariable: parameter })
        tryVerify(() => host.row !== null)
        const field = host.row.inputField
        const button = host.row.sendButton
        typeInto(field, data.typed)
        verify(!button.enabled)
        verify(field.isDirty)
        compare(button.originalState, "green")
        const writes = testBoard.parameterWrites()
        keyClick(Qt.Key_Return)
        mouseClick(button)
        wait(50)
        compare(testBoard.parameterWrites(), writes)
    }
}
