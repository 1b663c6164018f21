#include "JsonSerDesRegistry.h"

#include "LocalRelativeCoordinateConverter.h"
#include "LocalTangentPlaneCoordinateConverter.h"
#include "UTMCoordinateConverter.h"

namespace JsonSerDesRegistry {

const QHash<CoordinateConverter::Type, ConverterSerDes> &coordinateConverters()
{
    // Made on first use, so no other static's initialisation can find it empty.
    static const QHash<CoordinateConverter::Type, ConverterSerDes> table{
        {CoordinateConverter::local_relative, ConverterSerDes::make<LocalRelativeCoordinateConverter>(false)},
        {CoordinateConverter::local_tangent_plane, ConverterSerDes::make<LocalTangentPlaneCoordinateConverter>(false)},
        {CoordinateConverter::utm, ConverterSerDes::make<UTMCoordinateConverter>(false)},
    };
    return table;
}

} // namespace JsonSerDesRegistry
