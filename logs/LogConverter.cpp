#include "LogConverter.h"

#include "FastDeflate.h"
#include "FileFormatException.h"
#include "LittleEndian.h"
#include "MatOutputFile.h"
#include "MatVariable.h"
#include "MatVariableNames.h"
#include "SignalSamples.h"

#include <QLoggingCategory>

#include <matio.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <optional>
#include <stdexcept>

Q_LOGGING_CATEGORY(lcLogConverter, "Logs.LogConverter")

using namespace logfile;

namespace {

struct MatType
{
    matio_classes matClass;
    matio_types matType;
};

MatType matTypeOf(std::uint16_t dataType)
{
    switch (dataType) {
    case 0:
        return {MAT_C_DOUBLE, MAT_T_DOUBLE};
    case 1:
        return {MAT_C_SINGLE, MAT_T_SINGLE};
    case 2:
        return {MAT_C_INT8, MAT_T_INT8};
    case 3:
        return {MAT_C_UINT8, MAT_T_UINT8};
    case 4:
        return {MAT_C_INT16, MAT_T_INT16};
    case 5:
        return {MAT_C_UINT16, MAT_T_UINT16};
    case 6:
        return {MAT_C_INT32, MAT_T_INT32};
    case 7:
        return {MAT_C_UINT32, MAT_T_UINT32};
    case 8:
        return {MAT_C_UINT8, MAT_T_UINT8}; // booleans stay numbers, not logicals
    default:
        return {MAT_C_OPAQUE, MAT_T_UNKNOWN};
    }
}

double elementAsDouble(std::uint16_t dataType, const std::uint8_t *p)
{
    switch (dataType) {
    case 0:
        return le::f64(p);
    case 1:
        return le::f32(p);
    case 2:
        return std::int8_t(p[0]);
    case 3:
        return p[0];
    case 4:
        return std::int16_t(le::u16(p));
    case 5:
        return le::u16(p);
    case 6:
        return std::int32_t(le::u32(p));
    case 7:
        return le::u32(p);
    case 8:
        return std::int8_t(p[0]);
    default:
        throw TypeConversionError("Unknown data type");
    }
}

const std::vector<std::string> kSignalFields{"name",  "block_name", "label", "startT", "stopT",
                                             "stepT", "sampleTime", "data",  "t"};

void initialiseMatioLogging()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Mat_LogInitFunc("logconverter", [](int level, char *message) {
            if (level <= 4) // errors, criticals and warnings
                qCWarning(lcLogConverter, "matio: %s", message);
            else
                qCDebug(lcLogConverter, "matio: %s", message);
        });
        Mat_SetDebug(10);
    });
}

// A sample too short for its dimensions would make the rearranging read into the
// next sample; refused before anything is written.
void checkSampleSizes(const SignalList &signalList)
{
    for (const SignalRecord &signal : signalList) {
        const std::size_t element = LogConverter::elementSize(signal.dataType);
        if (element * LogConverter::elementsPerSample(signal.dimensions) > signal.sampleSize)
            throw FileFormatException("Signal \"" + signal.name + "\" has samples too short for its dimensions");
    }
}

double timeValue(const DataRecord::Entry &entry)
{
    const SampleArray time = LogConverter::sampleValues(entry);
    if (time.dimensions.empty())
        throw std::range_error("Dimension error");
    if (time.dimensions[0] < 1 || time.values.empty())
        throw std::range_error("Out of range");
    return time.values[0];
}

// The time of a record, read from its time sample. Whether a signal can give a time
// depends on the signal alone: it is checked, and refused with timeValue's error, on
// the first record that carries it; later records are only read (the walk has
// checked that their samples lie inside them).
double recordTime(const DataRecord::Entry &entry, std::vector<bool> &checkedTimeSignals)
{
    auto checked = checkedTimeSignals.begin() + std::ptrdiff_t(entry.signal->index);
    if (!*checked) {
        const double value = timeValue(entry);
        *checked = true;
        return value;
    }
    return elementAsDouble(entry.signal->dataType, entry.recordBytes.data() + entry.offset);
}

class Reporter
{
public:
    explicit Reporter(ConversionProgress progress)
        : m_progress(std::move(progress))
    {
    }
    void operator()(ConversionStage stage, float fraction) const
    {
        if (m_progress)
            m_progress(stage, fraction);
    }
    // Per-signal fraction of stages 2 and 3: the last signal reports 1.
    void signalDone(ConversionStage stage, std::size_t index, std::size_t count) const
    {
        (*this)(stage, count > 1 ? float(index) / float(count - 1) : 1.0f);
    }

private:
    ConversionProgress m_progress;
};

void writeMetadata(const MatOutputFile &file, const LogFileReader::Metadata &metadata)
{
    MatVariableNames fieldNames;
    std::vector<std::string> fields;
    for (const auto &entry : metadata)
        fields.push_back(fieldNames.add(entry.first));
    const matvariable::Ptr structure = matvariable::structure("metadata", fields);
    std::size_t index = 0;
    for (const auto &entry : metadata)
        matvariable::setField(structure.get(), index++, matvariable::text(entry.second));
    if (Mat_VarWrite(file.handle(), structure.get(), MAT_COMPRESSION_NONE) != MATIO_E_NO_ERROR)
        throw std::runtime_error("Could not write the metadata into the MAT-file");
}

matvariable::Ptr createSignalStruct(const std::string &variableName, const SignalRecord &signal)
{
    matvariable::Ptr structure = matvariable::structure(variableName, kSignalFields);
    matvariable::setField(structure.get(), 0, matvariable::text(signal.name));
    matvariable::setField(structure.get(), 1, matvariable::text(signal.blockName));
    matvariable::setField(structure.get(), 2, matvariable::text(signal.label));
    matvariable::setField(structure.get(), 3, matvariable::scalar(signal.startT));
    matvariable::setField(structure.get(), 4, matvariable::scalar(signal.stopT));
    matvariable::setField(structure.get(), 5, matvariable::scalar(signal.stepT));
    matvariable::setField(structure.get(), 6, matvariable::scalar(signal.sampleTime));
    return structure;
}

// "t" and "data" reference the gathered buffers, which live until the struct is freed.
void fillDataAndTime(matvar_t *structure, SignalSamples &samples, const std::vector<double> &recordTimes)
{
    if (samples.bytes().empty())
        return;
    const SignalRecord &signal = samples.signal();
    const std::size_t count = samples.count();

    size_t timeDimensions[1] = {count};
    matvar_t *time = Mat_VarCreate(nullptr, MAT_C_DOUBLE, MAT_T_DOUBLE, 1, timeDimensions,
                                   const_cast<double *>(samples.times(recordTimes)), MAT_F_DONT_COPY_DATA);
    if (time)
        matvariable::setNamedField(structure, "t", matvariable::Ptr(time));

    const MatType type = matTypeOf(signal.dataType);
    if (type.matType == MAT_T_UNKNOWN) {
        qCWarning(lcLogConverter, "Signal \"%s\" has the unknown data type %d; its data is left empty",
                  signal.name.c_str(), int(signal.dataType));
        // "t" is written with the struct and still reads the times.
        samples.releaseSamples();
        return;
    }
    samples.arrangeColumnMajor(Mat_SizeOf(type.matType));
    std::vector<size_t> dimensions{count};
    dimensions.insert(dimensions.end(), signal.dimensions.begin(), signal.dimensions.end());
    matvar_t *data = Mat_VarCreate(nullptr, type.matClass, type.matType, int(dimensions.size()), dimensions.data(),
                                   samples.arrangedBytes().data(), MAT_F_DONT_COPY_DATA);
    if (data)
        matvariable::setNamedField(structure, "data", matvariable::Ptr(data));
}

// Bytes of each signal's share of a record in which every signal is present: a
// guess for the buffers that a log of evenly sampled signals fills exactly.
std::vector<std::size_t> reservations(const SignalList &signalList, std::uint64_t totalBytes)
{
    std::uint64_t fullRecord = layout::bitmapLength(signalList.size());
    for (const SignalRecord &signal : signalList)
        fullRecord += signal.sampleSize;
    const std::uint64_t records = totalBytes / fullRecord;
    std::vector<std::size_t> bytes;
    for (const SignalRecord &signal : signalList)
        bytes.push_back(std::size_t(std::min(totalBytes, records * signal.sampleSize)));
    return bytes;
}

// matio compresses its arrays at this level.
constexpr unsigned MatioDeflateLevel = 9;

// Compresses ahead the chunks of a one-dimensional array of count elements, as matio
// writes it (see fastdeflate::CompressedAhead).
void compressAhead(std::optional<fastdeflate::CompressedAhead> &ahead, std::span<const std::uint8_t> bytes,
                   std::size_t count)
{
    // Only the program's own filter looks for them.
    if (count == 0 || bytes.size() % count != 0 || !fastdeflate::registerForHdf5())
        return;
    ahead.emplace(bytes, fastdeflate::matioChunkElements(count) * (bytes.size() / count), MatioDeflateLevel);
}

std::span<const std::uint8_t> bytesOf(std::span<const double> values)
{
    return {reinterpret_cast<const std::uint8_t *>(values.data()), values.size_bytes()};
}

// A signal whose "data" has the sample index as its only dimension other than 1, so
// that matio's chunks are runs of consecutive samples.
bool isOneDimensional(const SignalRecord &signal)
{
    return std::all_of(signal.dimensions.begin(), signal.dimensions.end(),
                       [](std::uint16_t dimension) { return dimension == 1; });
}

} // namespace

namespace LogConverter {

std::size_t elementSize(std::uint16_t dataType)
{
    return Mat_SizeOf(matTypeOf(dataType).matType);
}

std::uint64_t elementsPerSample(const std::vector<std::uint16_t> &dimensions)
{
    constexpr std::uint64_t kSaturated = std::uint64_t(1) << 40;
    std::uint64_t product = 1;
    for (const std::uint16_t dimension : dimensions) {
        if (dimension == 0)
            return 0;
        product = std::min(kSaturated, product * dimension);
    }
    return product;
}

SampleArray readSampleAsDouble(std::span<const std::uint8_t> recordBytes, std::uint16_t dataType,
                               const std::vector<std::uint16_t> &dimensions, std::size_t offset, std::size_t sampleSize)
{
    const std::size_t element = elementSize(dataType);
    if (element == 0)
        throw TypeConversionError("Unknown data type");
    if (offset > recordBytes.size() || sampleSize > recordBytes.size() - offset)
        throw std::range_error("Out of range");

    SampleArray array;
    const std::size_t count = sampleSize / element;
    array.values.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        array.values.push_back(elementAsDouble(dataType, recordBytes.data() + offset + i * element));
    array.dimensions.assign(dimensions.begin(), dimensions.end());
    array.strides.resize(dimensions.size());
    std::int64_t stride = 1;
    for (std::size_t i = dimensions.size(); i-- > 0;) {
        array.strides[i] = std::int32_t(stride);
        stride *= dimensions[i];
        // Dimensions of a corrupt file can exceed any stride a sample could have.
        if (i > 0 && stride > std::numeric_limits<std::int32_t>::max())
            throw std::range_error("Out of range");
    }
    return array;
}

SampleArray sampleValues(const DataRecord::Entry &entry)
{
    const SignalRecord &signal = *entry.signal;
    if (signal.isComplex())
        throw TypeConversionError("Data is complex");
    return readSampleAsDouble(entry.recordBytes, signal.dataType, signal.dimensions, entry.offset, signal.sampleSize);
}

std::vector<std::uint8_t> reorderToColumnMajor(std::span<const std::uint8_t> samples, std::size_t sampleSize,
                                               const std::vector<std::uint16_t> &dimensions, std::size_t elementSize)
{
    const std::size_t elements = std::size_t(elementsPerSample(dimensions));
    if (sampleSize == 0 || elementSize * elements > sampleSize)
        throw std::range_error("Out of range");
    const std::size_t count = samples.size() / sampleSize;
    std::vector<std::uint8_t> arranged(count * elements * elementSize);
    // Within a sample the elements already run with the first dimension fastest, so
    // this is a transpose of [count][elements] into [elements][count].
    for (std::size_t element = 0; element < elements; ++element) {
        const std::uint8_t *source = samples.data() + element * elementSize;
        std::uint8_t *target = arranged.data() + element * count * elementSize;
        for (std::size_t t = 0; t < count; ++t)
            std::memcpy(target + t * elementSize, source + t * sampleSize, elementSize);
    }
    return arranged;
}

void convertToMat(const std::string &outputPath, const LogFileReader &reader, ConversionProgress progress)
{
    const Reporter report(std::move(progress));
    initialiseMatioLogging();
    fastdeflate::registerForHdf5();
    report(ConversionStage::Prepare, 0);

    const SignalList &signalList = *reader.signalList();
    checkSampleSizes(signalList);
    MatOutputFile file(outputPath);

    MatVariableNames names;
    const auto &metadata = reader.metadata();
    if (metadata && !metadata->empty()) {
        writeMetadata(file, *metadata);
        names.reserve("metadata");
    }
    report(ConversionStage::Prepare, 0.5f);

    const DataSection &section = reader.dataSection();
    const std::uint64_t total = section.totalBytes();
    const std::vector<std::size_t> reserved = reservations(signalList, total);
    std::vector<SignalSamples> samples;
    std::vector<matvariable::Ptr> structs;
    samples.reserve(signalList.size());
    for (const SignalRecord &signal : signalList) {
        structs.push_back(createSignalStruct(names.add(signal.name), signal));
        samples.emplace_back(signal, reserved[std::size_t(signal.index)]);
    }
    report(ConversionStage::Prepare, 1);
    report(ConversionStage::ReadData, 0);

    std::vector<double> recordTimes;
    std::vector<bool> checkedTimeSignals(signalList.size());
    float lastReported = 0;
    for (auto it = section.begin(); it != section.end(); ++it) {
        const DataRecord &record = *it;
        const int timeEntry = record.timeEntryIndex();
        recordTimes.push_back(timeEntry >= 0 ? recordTime(record.entries()[std::size_t(timeEntry)], checkedTimeSignals)
                                             : std::numeric_limits<double>::quiet_NaN());
        const std::uint64_t recordIndex = recordTimes.size() - 1;
        for (const DataRecord::Entry &entry : record.entries())
            samples[std::size_t(entry.signal->index)].append(entry.sample(), recordIndex, recordTimes);

        const float fraction = float(record.bytesConsumedBefore()) / float(total);
        if (fraction - lastReported > 0.01f) {
            report(ConversionStage::ReadData, fraction);
            lastReported = fraction;
        }
    }
    report(ConversionStage::ReadData, 1);

    report(ConversionStage::BuildArrays, 0);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        fillDataAndTime(structs[i].get(), samples[i], recordTimes);
        report.signalDone(ConversionStage::BuildArrays, i, samples.size());
    }
    report(ConversionStage::BuildArrays, 1);

    report(ConversionStage::WriteFile, 0);
    // Most signals share the record times as their "t": its chunks are compressed once.
    std::optional<fastdeflate::CompressedAhead> recordTimesAhead;
    if (std::any_of(samples.begin(), samples.end(),
                    [](const SignalSamples &s) { return s.sharesRecordTimes() && s.count() > 0; }))
        compressAhead(recordTimesAhead, bytesOf(recordTimes), recordTimes.size());
    for (std::size_t i = 0; i < structs.size(); ++i) {
        const SignalSamples &written = samples[i];
        std::optional<fastdeflate::CompressedAhead> timesAhead, dataAhead;
        if (!written.sharesRecordTimes())
            compressAhead(timesAhead, bytesOf(std::span(written.times(recordTimes), written.count())), written.count());
        if (isOneDimensional(written.signal()))
            compressAhead(dataAhead, written.arrangedBytes(), written.count());
        if (Mat_VarWrite(file.handle(), structs[i].get(), MAT_COMPRESSION_ZLIB) != MATIO_E_NO_ERROR)
            throw std::runtime_error("Could not write signal \"" + signalList[i].name + "\" into the MAT-file");
        structs[i].reset();
        samples[i].release();
        report.signalDone(ConversionStage::WriteFile, i, structs.size());
    }
    file.commit();
    report(ConversionStage::WriteFile, 1);
}

} // namespace LogConverter
