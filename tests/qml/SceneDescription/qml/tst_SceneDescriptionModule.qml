import QtQuick
import QtTest
import QtPositioning as Positioning
import ostrel.SceneDescription

TestCase {
    name: "SceneDescriptionModule"

    LocalMap {
        id: plainMap
        dimensions: Qt.size(10, 5)
    }
    LocalMap {
        id: placedMap
    }
    Location {
        id: location
    }
    MapContext {
        id: context
    }
    OccupancyGridInfo {
        id: grid
    }

    function creationError(typeName) {
        try {
            Qt.createQmlObject("import ostrel.SceneDescription; " + typeName + " {}", this)
        } catch (error) {
            return error.qmlErrors.map(e => e.message).join("\n")
        }
        return ""
    }

    function isNaNCoordinate(c) {
        return isNaN(c.x) && isNaN(c.y) && isNaN(c.z)
    }

    function test_convertersCannotBeCreated_data() {
        return [
            { tag: "local relative", type: "LocalRelativeCoordinateConverter" },
            { tag: "tangent plane", type: "LocalTangentPlaneCoordinateConverter" },
            { tag: "UTM", type: "UTMCoordinateConverter" }
        ]
    }

    function test_convertersCannotBeCreated(data) {
        verify(creationError(data.type).indexOf(data.type + " cannot be created from QML") >= 0,
               creationError(data.type))
    }

    function test_baseTypesAndValuesAreNoElements_data() {
        return [ { tag: "converter", type: "CoordinateConverter" },
                 { tag: "coordinate", type: "Coordinate" },
                 { tag: "pose", type: "Pose" } ]
    }

    function test_baseTypesAndValuesAreNoElements(data) {
        verify(creationError(data.type) !== "")
    }

    function test_elementsStartAsDescribed() {
        compare(context.zoomLevel, 1)
        compare(context.tileSize, 100)
        compare(context.locationType, Location.Unknown)
        compare(location.locationType, Location.Unknown)
        compare(location.name, "Location")
        verify(grid.uuid !== grid.group_id)
        compare(plainMap.global_coordinate_info, null)
        compare(plainMap.source, null)
    }

    function test_sceneIsOneObject() {
        verify(Scene === Scene)
        verify(Scene.nullImage() !== undefined)
    }

    function test_valuesFromTheScene() {
        const c = Scene.coordinate(3, 4, 12)
        compare(c.x, 3)
        compare(c.length(), 13)
        const pose = Scene.createPoseFromCoordinate(c)
        compare(pose.position.y, 4)
        compare(pose.orientation, Qt.quaternion(1, 0, 0, 0))
        const turned = Scene.createPoseWithTwistFromCoordinate(c, Qt.quaternion(0, 0, 0, 1))
        compare(turned.orientation, Qt.quaternion(0, 0, 0, 1))
        compare(turned.linear_velocity, Qt.vector3d(0, 0, 0))
    }

    function test_convertersFromTheScene() {
        const plane = Scene.localTangentPlaneCoordinateConverter(Positioning.QtPositioning.coordinate(52, 5))
        compare(plane.reference.altitude, 0)
        placedMap.global_coordinate_info = plane
        compare(placedMap.global_coordinate_info, plane)
        compare(placedMap.global_coordinate_info.type, 1)

        const holder = Scene.createEmptyLocalMap(Qt.size(10, 5), Scene.coordinate(0, 0, 0))
        const map = holder.getObject()
        verify(!map.isInsideMap(Scene.coordinate(1, 1, 0)))
        const local = Scene.localRelativeCoordinateConverter(holder)
        compare(local.mapId, map.uuid)
        compare(local.type, 0)
        compare(local.convertToScene(Scene.coordinate(1, 2, 3), context), Qt.vector3d(10, 30, -20))
        const back = local.fromCoordinateFrame(Scene.coordinate(1, 2, 3), local, context)
        compare(back.x, 1)
        compare(back.z, 3)
        verify(local.map.getObject() === map)
        const copy = local.clone()
        compare(copy.mapId, map.uuid)
    }

    function test_mapContextPlacesTheGlobe() {
        compare(context.toSceneCoordinate(Positioning.QtPositioning.coordinate(0, 0, 0)), Qt.vector3d(100, 0, 100))
        const mercator = context.toWebMercatorCoordinate(Positioning.QtPositioning.coordinate(0, 0, 0))
        compare(mercator.x, 256)
        compare(context.fromSceneCoordinate(Qt.vector3d(100, 0, 100)).latitude, 0)
        fuzzyCompare(context.tileWidthAtLatitude(0), Math.PI * 6378137, 1e-6)
    }

    // Input that the library behind cannot convert never ends the program.
    function test_badInputIsRefused() {
        const offTheGlobe = Scene.localTangentPlaneCoordinateConverter(Positioning.QtPositioning.coordinate(95, 0))
        verify(isNaNCoordinate(offTheGlobe.convertFromScene(Qt.vector3d(1, 2, 3), context)))
        const plane = Scene.localTangentPlaneCoordinateConverter(Positioning.QtPositioning.coordinate(52, 5, 0))
        verify(isNaNCoordinate(plane.fromCoordinateFrame(Scene.coordinate(1, 2, 3), null, context)))
        verify(isNaN(plane.convertToScene(Scene.coordinate(1, 2, 3), null).x))
        verify(isNaNCoordinate(plane.convertFromScene(Qt.vector3d(0, 0, 0), null)))
        verify(isNaNCoordinate(plane.convertFromScene(Qt.vector3d(NaN, 0, 0), context)))

        context.zoomLevel = 31
        compare(context.zoomLevel, 1)
        context.zoomLevel = -4
        compare(context.zoomLevel, 1)
        context.location = null
        compare(context.location, null)

        const holder = Scene.createEmptyLocalMap(Qt.size(0, 0), Scene.coordinate(0, 0, 0), "/no/such/file.png")
        const map = holder.getObject()
        compare(map.getDistanceToMap(Scene.coordinate(NaN, 0, 0)), Infinity)
        verify(isNaN(map.getClosestPointOnMap(Scene.coordinate(1, 1, 0)).x))
        verify(!plainMap.isInsideMap(Scene.coordinate(NaN, NaN, NaN)))

        location.localMap = holder
        verify(location.isLocalMapResolved())
        location.localMap = null
        verify(!location.hasLocalMap())
    }
}
