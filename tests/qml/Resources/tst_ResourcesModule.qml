import QtQuick
import QtTest
import ostrel.Resources

TestCase {
    name: "ResourcesModule"

    property robotResourceId resourceId

    function test_kindsAreKnownByName() {
        compare(RobotResourceType.Unknown, -1)
        compare(RobotResourceType.Path, 0)
        compare(RobotResourceType.Job, 1)
        compare(RobotResourceType.Area, 2)
        compare(RobotResourceType.Artifact, 3)
        compare(RobotResourceType.Schedule, 4)
        compare(RobotResourceType.Map, 5)
        compare(RobotResourceType.Location, 6)
    }

    function test_idIsAValueType() {
        compare(resourceId.type, RobotResourceType.Path)
        compare(resourceId.toString(), "Path:00000000-0000-0000-0000-000000000000")
        resourceId.type = RobotResourceType.Map
        compare(resourceId.toString(), "Map:00000000-0000-0000-0000-000000000000")
    }

    function test_kindsCannotBeCreated() {
        let failed = false
        try {
            Qt.createQmlObject("import ostrel.Resources; RobotResourceType {}", this)
        } catch (error) {
            failed = true
        }
        verify(failed)
    }
}
