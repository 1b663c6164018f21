// Reads arbitrary bytes as the JSON of coordinate converters (one and a list, of every
// kind) and of a location, then uses what was read: converts points with it and writes
// it back. What must hold whatever arrives: nothing crashes and nothing but the JSON
// exceptions leaves a reader; a converter read converts without throwing, and writes
// JSON that reads back to the same form.

#include "JsonException.h"
#include "JsonSerDesRegistry.h"
#include "Location.h"
#include "MapContext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void use(CoordinateConverter &converter, const MapContext &context)
{
    const Coordinate local = converter.convertFromGeo(QGeoCoordinate(52.1, 5.2, 3));
    converter.convertToGeo(local);
    converter.convertToGeo({1e9, -1e9, 0});
    converter.convertToScene(local, &context);
    converter.convertFromScene({1, 2, 3}, &context);

    JsonContext jsonContext;
    const auto &serDes = JsonSerDesRegistry::coordinateConverters().value(converter.type());
    QJsonValue written;
    serDes.toJson(jsonContext, written, converter);
    std::unique_ptr<CoordinateConverter> again(serDes.fromJson(jsonContext, written, nullptr));
    QJsonValue writtenAgain;
    serDes.toJson(jsonContext, writtenAgain, *again);
    require(written == writtenAgain);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QLoggingCategory::setFilterRules(QStringLiteral("*.warning=false"));
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                                                   qsizetype(size)));
    const QJsonValue json = document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());

    MapContext context;
    auto location = std::make_shared<Location>();
    context.setLocation(location);
    JsonContext jsonContext;
    for (const auto &serDes : JsonSerDesRegistry::coordinateConverters()) {
        try {
            std::unique_ptr<CoordinateConverter> converter(serDes.fromJson(jsonContext, json, nullptr));
            use(*converter, context);
        } catch (const JsonException &) {
        }
        try {
            QObject parent;
            for (CoordinateConverter *converter : serDes.listFromJson(jsonContext, json, &parent))
                use(*converter, context);
        } catch (const JsonException &) {
        }
    }
    if (document.isObject()) {
        try {
            location->fromJson(jsonContext, document.object());
            context.toSceneCoordinate(QGeoCoordinate(52.1, 5.2, 3));
            QJsonObject written;
            location->toJson(jsonContext, written);
        } catch (const JsonException &) {
        }
    }
    return 0;
}
