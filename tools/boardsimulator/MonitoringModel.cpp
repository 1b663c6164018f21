#include "MonitoringModel.h"

#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace {

// The size of the built-in types 0 to 8: double, single, int8, uint8, int16, uint16,
// int32, uint32, boolean.
constexpr uint16_t BuiltInSizes[] = {8, 4, 1, 1, 2, 2, 4, 4, 1};

void writeInteger(char *destination, qsizetype bytes, double value, double low, double high)
{
    if (std::isnan(value))
        value = 0;
    value = std::clamp(std::nearbyint(value), low, high);
    uint64_t raw = 0;
    if (value < 0)
        raw = uint64_t(int64_t(value));
    else if (value >= 18446744073709551615.0)
        raw = std::numeric_limits<uint64_t>::max();
    else
        raw = uint64_t(value);
    for (qsizetype i = 0; i < bytes; ++i)
        destination[i] = char((raw >> (8 * i)) & 0xFF);
}

// The bounds of an integer of the given width.
std::pair<double, double> integerRange(int bits, bool isSigned)
{
    if (isSigned)
        return {-std::ldexp(1.0, bits - 1), std::ldexp(1.0, bits - 1) - 1};
    return {0.0, std::ldexp(1.0, bits) - 1};
}

} // namespace

double MonitoringModel::Scaling::slope() const
{
    return std::ldexp(fraction, exponent);
}

qsizetype MonitoringModel::Shape::elementCount() const
{
    qsizetype count = 1;
    for (uint16_t size : sizes)
        count *= size;
    return count;
}

uint16_t MonitoringModel::StringTables::add(int table, const QByteArray &text)
{
    QHash<QByteArray, uint16_t> &index = indexes[size_t(table)];
    const auto it = index.constFind(text);
    if (it != index.cend())
        return *it;
    QList<QByteArray> &entries = tables[size_t(table)];
    const auto position = uint16_t(entries.size());
    entries.append(text);
    index.insert(text, position);
    return position;
}

MonitoringModel::StringTables MonitoringModel::stringTables() const
{
    StringTables s;
    const auto addVariables = [&s](const QList<Variable> &variables, int pathTable, int nameTable) {
        for (const Variable &v : variables) {
            if (pathTable >= 0)
                s.add(pathTable, v.blockPath);
            s.add(nameTable, v.name);
        }
    };
    addVariables(signalVariables, 0, 5);
    addVariables(blockParameters, 1, 6);
    addVariables(states, 2, 7);
    addVariables(inputs, 3, 8);
    addVariables(outputs, 4, 9);
    addVariables(modelParameters, -1, 10);
    // Entry 0, then a pair (parent in hexadecimal, block path) per model: the root
    // model's own pair first, so that model reference index i is pair i.
    s.tables[11] << name << "0" << name;
    for (const ModelReference &reference : references)
        s.tables[11] << QByteArray::number(reference.parent, 16) << reference.path;
    for (const DataType &type : types) {
        s.tables[12] << type.name;
        s.tables[13] << type.secondName;
        for (const BusElement &element : type.elements)
            s.add(14, element.name);
    }
    return s;
}

qsizetype MonitoringModel::valueSize(const Variable &variable) const
{
    return variable.shape.elementCount() * types.at(variable.type).size;
}

const MonitoringModel::Variable *MonitoringModel::streamable(uint16_t referenceId) const
{
    for (const QList<Variable> *list : {&signalVariables, &inputs, &outputs, &states}) {
        for (const Variable &variable : *list) {
            if (variable.referenceId == referenceId)
                return &variable;
        }
    }
    return nullptr;
}

QByteArray MonitoringModel::valueAt(const Variable &variable, int64_t step) const
{
    QByteArray value(valueSize(variable), '\0');
    qsizetype leaf = 0;
    fill(value.data(), variable.type, variable.scaling, variable.shape.elementCount(), variable.waveform.at(step),
         variable.elementStep, leaf);
    return value;
}

void MonitoringModel::fill(char *destination, int type, int scaling, qsizetype count, double base, double elementStep,
                           qsizetype &leaf) const
{
    const DataType &dataType = types.at(type);
    for (qsizetype e = 0; e < count; ++e) {
        char *element = destination + e * dataType.size;
        if (!dataType.isBus()) {
            encodeInto(element, type, scaling, base + double(leaf++) * elementStep);
            continue;
        }
        for (const BusElement &member : dataType.elements)
            fill(element + member.offset, member.type, member.scaling, member.shape.elementCount(), base, elementStep,
                 leaf);
    }
}

QByteArray MonitoringModel::encode(int type, int scaling, double value) const
{
    QByteArray element(types.at(type).size, '\0');
    encodeInto(element.data(), type, scaling, value);
    return element;
}

void MonitoringModel::encodeInto(char *destination, int type, int scaling, double value) const
{
    const DataType &dataType = types.at(type);
    const qsizetype partSize = dataType.complex ? dataType.size / 2 : dataType.size;
    const auto encodePart = [&](char *part, double v) {
        if (scaling > 0) {
            const Scaling &s = scalings.at(scaling);
            const auto [low, high] = integerRange(s.wordLength, s.isSigned);
            writeInteger(part, partSize, (v - s.bias) / s.slope(), low, high);
            return;
        }
        uint8_t id = dataType.id;
        if (id == EnumerationId)
            id = dataType.storage;
        switch (id) {
        case 0:
            qToLittleEndian<quint64>(std::bit_cast<quint64>(v), part);
            return;
        case 1:
            qToLittleEndian<quint32>(std::bit_cast<quint32>(float(v)), part);
            return;
        case 8:
            part[0] = char(v != 0 && !std::isnan(v) ? 1 : 0);
            return;
        default: {
            // Even ids are signed, odd unsigned; the width is the element's.
            const auto [low, high] = integerRange(int(partSize * 8), id % 2 == 0);
            writeInteger(part, partSize, v, low, high);
        }
        }
    };
    encodePart(destination, value);
    if (dataType.complex)
        encodePart(destination + partSize, -value);
}

uint16_t MonitoringModel::builtInSize(uint8_t id)
{
    return id < std::size(BuiltInSizes) ? BuiltInSizes[id] : 0;
}
