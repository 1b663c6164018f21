import QtQuick
import QtTest
import ostrel.Util

TestCase {
    id: testCase
    name: "UtilTypes"

    StandardPaths {
        id: paths
        group: "a"
    }

    function test_standardPathsFromQml() {
        const cache = paths.getCachePath("f.txt")
        verify(cache.endsWith("/a/f.txt"), cache)
        verify(!paths.getTempPath("f.txt").includes("/a/"), "the temporary folder takes no group")
        const child = paths.subGroup("b")
        compare(child.group, "a/b")
        verify(child.getCachePath().endsWith("/a/b"))
        compare(paths.getApplicationPath() + "/resources", paths.getResourcePath())
    }

    function test_filesFromQml() {
        const url = FileIo.tempFileUrl()
        verify(url.toString().startsWith("file://"))
        FileIo.writeToFile(url, "written from QML")
        compare(FileIo.readFromFile(url).toString(), "written from QML")
        FileIo.deleteFile(url)
        ignoreWarning("Couldn't open path file.")
        compare(String(FileIo.readFromFile(url)), "", "nothing is read from a deleted file")
    }

    // There is no "appconfig.json" in this fresh environment.
    function test_configurationWithoutFile() {
        ignoreWarning("Could not open config file")
        compare(ApplicationConfiguration.getConfiguration("anything"), undefined)
        compare(ApplicationConfiguration.getConfiguration("other"), undefined) // read once, warned once
    }

    function test_sharedPointersAreNotMadeInQml() {
        let message = ""
        try {
            Qt.createQmlObject("import ostrel.Util; QmlSharedPointer {}", testCase)
        } catch (error) {
            message = error.qmlErrors.map(e => e.message).join()
        }
        verify(message.includes("This object cannot be created from QML"), message)
    }
}
