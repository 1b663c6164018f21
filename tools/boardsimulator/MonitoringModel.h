#pragma once

#include "MonitoringWaveform.h"

#include <QByteArray>
#include <QHash>
#include <QList>

#include <array>
#include <cstdint>

// The model that the simulated board runs and describes on its monitoring channels:
// model references, data types (with buses), fixed-point scalings, the streamable
// variables with the waveforms they follow, and the parameters with their values.
// MonitoringModelFile reads it from a file. Indexes into types and scalings are
// positions in those lists; reference ids are unique across all variables.
struct MonitoringModel
{
    static constexpr uint8_t EnumerationId = 254;
    static constexpr uint8_t BusId = 255;

    struct ModelReference
    {
        uint16_t parent = 0;
        QByteArray path;
    };

    // value = raw × fraction × 2^exponent + bias
    struct Scaling
    {
        uint8_t wordLength = 0;
        bool isSigned = false;
        int8_t exponent = 0;
        double fraction = 1;
        double bias = 0;

        double slope() const;
    };

    struct Shape
    {
        uint8_t layoutKind = 0;
        QList<uint16_t> sizes{1};

        qsizetype elementCount() const;
    };

    struct BusElement
    {
        QByteArray name;
        uint16_t offset = 0; // bytes from the start of the bus value
        int type = 0;
        int scaling = 0;
        Shape shape;
    };

    struct DataType
    {
        QByteArray name;
        QByteArray secondName;
        uint8_t id = 0;    // 0 to 8 built in, EnumerationId, BusId
        uint16_t size = 0; // of one element, both parts of a complex one
        bool complex = false;
        uint8_t storage = 0; // the built-in id of an enumeration's storage
        QList<BusElement> elements;

        bool isBus() const { return id == BusId; }
    };

    struct Variable
    {
        uint16_t referenceId = 0;
        uint16_t modelReference = 0;
        QByteArray blockPath;
        QByteArray name;
        uint8_t port = 1;
        uint16_t defaultRate = 0;
        int type = 0;
        int scaling = 0; // 0: none
        Shape shape;
        // Streamable variables: leaf i (elements in memory order, bus leaves included)
        // takes waveform.at(step) + i × elementStep.
        MonitoringWaveform waveform;
        double elementStep = 1;
        // Parameters: the value in the encoding of the data type.
        QByteArray value;
    };

    static constexpr int StringTableCount = 15;

    // The string tables that name the model's parts, and where each text stands.
    struct StringTables
    {
        std::array<QList<QByteArray>, StringTableCount> tables;
        std::array<QHash<QByteArray, uint16_t>, StringTableCount> indexes;

        // The index of text in table, entered when it is not there yet.
        uint16_t add(int table, const QByteArray &text);
    };

    QByteArray name = "Model"; // entry 0 of the model-reference table
    int64_t stepNanoseconds = 1000000;
    uint32_t infoWord = 0;
    QList<ModelReference> references; // model reference index i + 1
    QList<DataType> types;
    QList<Scaling> scalings{Scaling()}; // entry 0 stands for no scaling
    QList<Variable> signalVariables;
    QList<Variable> inputs;
    QList<Variable> outputs;
    QList<Variable> states;
    QList<Variable> blockParameters;
    QList<Variable> modelParameters;

    // The element size of a built-in type 0 to 8; 0 for any other id.
    static uint16_t builtInSize(uint8_t id);

    qsizetype valueSize(const Variable &variable) const;
    // The variable's value at a step of the model.
    QByteArray valueAt(const Variable &variable, int64_t step) const;
    // One element holding value (a complex element: value and −value), as the data
    // type and scaling encode it: integers round to the nearest and saturate, NaN
    // becomes 0, a boolean is 1 for any value but 0 and NaN.
    QByteArray encode(int type, int scaling, double value) const;
    bool isBus(const Variable &variable) const { return types.at(variable.type).isBus(); }
    // Block paths and names of the variables, each text once per table; the model
    // references as entry 0 and pairs of parent (hexadecimal) and path; the names and
    // second names of the data types at the types' indexes; the bus-element names.
    StringTables stringTables() const;
    // The signal, input, output or state with this reference id, or null.
    const Variable *streamable(uint16_t referenceId) const;

private:
    void fill(char *destination, int type, int scaling, qsizetype count, double base, double elementStep,
              qsizetype &leaf) const;
    void encodeInto(char *destination, int type, int scaling, double value) const;
};
