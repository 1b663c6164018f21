import QtQuick
import QtTest
import ostrel.Controls

TestCase {
    id: testCase

    name: "QImage"
    width: 400
    height: 300
    visible: true
    when: windowShown

    Rectangle {
        id: pattern
        width: 40
        height: 20
        color: "#3db199"
    }

    Component {
        id: imageComponent
        QImage {}
    }

    function test_fillModes() {
        compare(QImage.Stretch, 0)
        compare(QImage.PreserveAspectFit, 1)
        compare(QImage.PreserveAspectCrop, 2)
        compare(QImage.Pad, 3)
        const item = createTemporaryObject(imageComponent, testCase)
        compare(item.fillMode, QImage.Stretch)
        compare(item.smooth, true)
    }

    // The implicit size is the image's and cannot be assigned.
    function test_implicitSizeFollowsTheImage() {
        const item = createTemporaryObject(imageComponent, testCase)
        compare(item.implicitWidth, 0)
        compare(item.implicitHeight, 0)

        let grabbed = false
        verify(pattern.grabToImage(result => {
            item.image = result.image
            grabbed = true
        }))
        tryVerify(() => grabbed)
        compare(item.implicitWidth, 40)
        compare(item.implicitHeight, 20)
        compare(item.width, 40)

        let refused = false
        try {
            item.implicitWidth = 10
        } catch (error) {
            refused = true
        }
        verify(refused, "implicitWidth cannot be assigned")
        compare(item.implicitWidth, 40)
    }
}
