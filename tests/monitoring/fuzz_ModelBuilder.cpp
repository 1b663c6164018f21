// Builds the model tree from a description as a board could send it, refreshes its
// parameters from the same memories and walks every variable. The input: 26 sections,
// each a 16-bit little-endian length and that many bytes, in this order: string tables
// 0 to 14 (entries ended by a zero byte), signals, block parameters, model parameters,
// states, inputs, outputs, block-parameter memory, model-parameter memory, data types,
// struct elements, fixed-point scalings. Missing sections are empty.

#include "DataTypeFactory.h"
#include "ModelBuilder.h"
#include "ParameterNode.h"
#include "ProtocolRecords.h"
#include "StreamableNode.h"

#include <QCoreApplication>
#include <QtEndian>

#include <cstdlib>

using namespace monitoring;
using namespace monitoring::protocol;

namespace {

void discardMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

QByteArray section(const uint8_t *&data, size_t &size)
{
    if (size < 2) {
        size = 0;
        return {};
    }
    const size_t length = std::min<size_t>(qFromLittleEndian<uint16_t>(data), size - 2);
    QByteArray bytes(reinterpret_cast<const char *>(data + 2), qsizetype(length));
    data += 2 + length;
    size -= 2 + length;
    return bytes;
}

template<typename Record>
QList<Record> records(const QByteArray &bytes)
{
    return readList<Record>(QByteArrayView(bytes).first(bytes.size() - bytes.size() % Record::Size))
        .value_or(QList<Record>());
}

QList<QByteArray> strings(const QByteArray &bytes)
{
    QList<QByteArray> entries = bytes.split('\0');
    if (!entries.isEmpty() && entries.last().isEmpty())
        entries.removeLast();
    return entries;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(discardMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    DataTypeFactory types;
    for (string_type_t table = 0; table <= LastStringTable; ++table)
        types.setStringTable(table, strings(section(data, size)));
    ModelDescription description;
    description.signalList = records<signal_t>(section(data, size));
    description.blockParameters = records<param_t>(section(data, size));
    description.modelParameters = records<param_t>(section(data, size));
    description.states = records<state_t>(section(data, size));
    description.inputs = records<signal_t>(section(data, size));
    description.outputs = records<signal_t>(section(data, size));
    description.blockParameterMemory = section(data, size);
    description.modelParameterMemory = section(data, size);
    types.setDataTypes(records<datatype_t>(section(data, size)));
    description.structElements = records<struct_element_t>(section(data, size));
    types.setFixedPoints(records<fxp_info_t>(section(data, size)));

    BuiltModel model;
    ModelBuilder builder(nullptr, description, types, model);
    builder.build();
    builder.loadBlockParameters(ModelBuilder::Mode::Refresh);
    builder.loadModelParameters(ModelBuilder::Mode::Refresh);
    if (!model.root)
        std::abort();
    for (IModelNode *node : model.variables) {
        node->fullPath();
        if (node->isParameter()) {
            auto *parameter = static_cast<ParameterNode *>(node);
            parameter->valueAsDouble(0);
            parameter->valueAsDouble(parameter->deviceValue().count());
        } else if (!node->isStreamable()) {
            std::abort(); // only parameters and streamable leaves are variables
        }
    }
    return 0;
}
