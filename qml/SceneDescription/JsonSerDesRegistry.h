#pragma once

#include "CoordinateConverter.h"
#include "JsonContext.h"
#include "JsonQObjectSerDes.h"

#include <QHash>

// The JSON readers and writers of the coordinate converters by kind; unknown has none.
namespace JsonSerDesRegistry {

using ConverterSerDes = JsonQObjectSerDes<CoordinateConverter, JsonContext>;

const QHash<CoordinateConverter::Type, ConverterSerDes> &coordinateConverters();

} // namespace JsonSerDesRegistry
