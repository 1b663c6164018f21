#include "MonitoringModelFile.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <cmath>
#include <limits>

namespace MonitoringModelFile {

namespace {

// Ends the reading; carries the message that parse hands back.
struct ModelError
{
    QString message;
};

constexpr qsizetype MaxMessage = 0xFFFF;
constexpr qsizetype ControlHeader = 5;

// Reads one JSON object, naming its place in every message.
class ObjectReader
{
public:
    ObjectReader(const QJsonValue &value, QString place, QStringList keys)
        : m_place(std::move(place))
    {
        if (!value.isObject())
            fail(QStringLiteral("must be an object"));
        m_object = value.toObject();
        for (const QString &key : m_object.keys()) {
            if (!keys.contains(key))
                fail(QStringLiteral("unknown key \"%1\"").arg(key));
        }
    }

    const QString &place() const { return m_place; }
    bool has(const QString &key) const { return m_object.contains(key); }
    QJsonValue value(const QString &key) const { return m_object.value(key); }

    [[noreturn]] void fail(const QString &what) const { throw ModelError{m_place + QStringLiteral(": ") + what}; }

    int64_t integer(const QString &key, int64_t low, int64_t high, int64_t fallback) const
    {
        if (!has(key))
            return fallback;
        const QJsonValue v = value(key);
        const double number = v.toDouble(std::numeric_limits<double>::quiet_NaN());
        if (!v.isDouble() || number != std::floor(number) || number < double(low) || number > double(high))
            fail(QStringLiteral("\"%1\" must be a whole number from %2 to %3").arg(key).arg(low).arg(high));
        return int64_t(number);
    }

    double number(const QString &key, double fallback) const
    {
        if (!has(key))
            return fallback;
        return numberValue(value(key), key);
    }

    // A number, or one of the texts "nan", "inf" and "-inf".
    double numberValue(const QJsonValue &v, const QString &what) const
    {
        if (v.isDouble())
            return v.toDouble();
        const QString text = v.toString();
        if (text == QLatin1String("nan"))
            return std::numeric_limits<double>::quiet_NaN();
        if (text == QLatin1String("inf"))
            return std::numeric_limits<double>::infinity();
        if (text == QLatin1String("-inf"))
            return -std::numeric_limits<double>::infinity();
        fail(QStringLiteral("\"%1\" must be a number, \"nan\", \"inf\" or \"-inf\"").arg(what));
    }

    bool boolean(const QString &key, bool fallback) const
    {
        if (!has(key))
            return fallback;
        if (!value(key).isBool())
            fail(QStringLiteral("\"%1\" must be true or false").arg(key));
        return value(key).toBool();
    }

    QByteArray text(const QString &key, const QByteArray &fallback) const
    {
        if (!has(key))
            return fallback;
        if (!value(key).isString())
            fail(QStringLiteral("\"%1\" must be a text").arg(key));
        return value(key).toString().toUtf8();
    }

    QByteArray requiredText(const QString &key) const
    {
        if (!has(key))
            fail(QStringLiteral("\"%1\" is missing").arg(key));
        return text(key, {});
    }

    QJsonArray array(const QString &key) const
    {
        if (!has(key))
            return {};
        if (!value(key).isArray())
            fail(QStringLiteral("\"%1\" must be a list").arg(key));
        return value(key).toArray();
    }

private:
    QString m_place;
    QJsonObject m_object;
};

class ModelReader
{
public:
    MonitoringModel read(const QJsonValue &root)
    {
        const ObjectReader top(root, QStringLiteral("model"),
                               {"name", "stepNanoseconds", "infoWord", "models", "fixedPoint", "types", "signals",
                                "inputs", "outputs", "states", "blockParameters", "modelParameters"});
        m_model.name = top.text("name", m_model.name);
        m_model.stepNanoseconds = top.integer("stepNanoseconds", 1, 1000000000, m_model.stepNanoseconds);
        m_model.infoWord = uint32_t(top.integer("infoWord", 0, 0xFFFFFFFF, 0));
        readList(top, "models", [this](const ObjectReader &r) { readReference(r); });
        readList(top, "fixedPoint", [this](const ObjectReader &r) { readScaling(r); });
        readList(top, "types", [this](const ObjectReader &r) { readType(r); });
        readList(top, "signals", [this](const ObjectReader &r) { m_model.signalVariables << readStreamable(r, true); });
        readList(top, "inputs", [this](const ObjectReader &r) { m_model.inputs << readStreamable(r, false); });
        readList(top, "outputs", [this](const ObjectReader &r) { m_model.outputs << readStreamable(r, false); });
        readList(top, "states", [this](const ObjectReader &r) { m_model.states << readStreamable(r, false); });
        readList(top, "blockParameters",
                 [this](const ObjectReader &r) { m_model.blockParameters << readParameter(r, true); });
        readList(top, "modelParameters",
                 [this](const ObjectReader &r) { m_model.modelParameters << readParameter(r, false); });
        checkMessageSizes(top);
        return m_model;
    }

private:
    template<typename Read>
    void readList(const ObjectReader &top, const char *key, Read read)
    {
        const QJsonArray entries = top.array(QLatin1String(key));
        for (qsizetype i = 0; i < entries.size(); ++i)
            read(ObjectReader(entries.at(i), QStringLiteral("%1[%2]").arg(QLatin1String(key)).arg(i), keysOf(key)));
    }

    static QStringList keysOf(const char *list)
    {
        const QString name = QLatin1String(list);
        if (name == QLatin1String("models"))
            return {"parent", "path"};
        if (name == QLatin1String("fixedPoint"))
            return {"wordLength", "signed", "fraction", "exponent", "bias"};
        if (name == QLatin1String("types"))
            return {"name", "second", "id", "size", "complex", "storage", "elements"};
        if (name.endsWith(QLatin1String("Parameters")))
            return {"ref", "model", "block", "name", "type", "fixedPoint", "dims", "layout", "values"};
        return {"ref",  "model",      "block", "name",   "port", "rate",
                "type", "fixedPoint", "dims",  "layout", "wave", "elementStep"};
    }

    void readReference(const ObjectReader &r)
    {
        MonitoringModel::ModelReference reference;
        reference.parent = uint16_t(r.integer("parent", 0, m_model.references.size(), 0));
        reference.path = r.requiredText("path");
        m_model.references << reference;
    }

    void readScaling(const ObjectReader &r)
    {
        MonitoringModel::Scaling scaling;
        scaling.wordLength = uint8_t(r.integer("wordLength", 1, 64, 16));
        scaling.isSigned = r.boolean("signed", true);
        scaling.fraction = r.number("fraction", 1);
        scaling.exponent = int8_t(r.integer("exponent", -128, 127, 0));
        scaling.bias = r.number("bias", 0);
        if (!std::isfinite(scaling.slope()) || scaling.slope() == 0 || !std::isfinite(scaling.bias))
            r.fail(QStringLiteral("the slope must be finite and not 0, the bias finite"));
        m_model.scalings << scaling;
    }

    void readType(const ObjectReader &r)
    {
        MonitoringModel::DataType type;
        type.name = r.requiredText("name");
        type.secondName = r.text("second", type.name);
        if (m_typeIndex.contains(type.name))
            r.fail(QStringLiteral("the type \"%1\" is defined twice").arg(QString::fromUtf8(type.name)));
        const QJsonArray elements = r.array("elements");
        if (!elements.isEmpty()) {
            if (r.has("id") || r.has("complex") || r.has("storage"))
                r.fail(QStringLiteral("a bus has elements, and no id, complex or storage"));
            readBus(r, elements, type);
        } else {
            if (!r.has("id"))
                r.fail(QStringLiteral("\"id\" is missing (or \"elements\", for a bus)"));
            type.id = uint8_t(r.integer("id", 0, 254, 0));
            if (type.id > 8 && type.id != MonitoringModel::EnumerationId)
                r.fail(QStringLiteral("\"id\" must be 0 to 8, or 254 for an enumeration"));
            type.complex = r.boolean("complex", false);
            if (type.id == MonitoringModel::EnumerationId) {
                type.storage = uint8_t(r.integer("storage", 2, 7, 6));
                const uint16_t storageSize = MonitoringModel::builtInSize(type.storage);
                type.size = uint16_t(r.integer("size", storageSize, storageSize, storageSize));
                if (type.complex)
                    r.fail(QStringLiteral("an enumeration cannot be complex"));
            } else {
                const uint16_t size = MonitoringModel::builtInSize(type.id) * (type.complex ? 2 : 1);
                type.size = uint16_t(r.integer("size", size, size, size));
            }
        }
        m_typeIndex.insert(type.name, int(m_model.types.size()));
        m_model.types << type;
    }

    void readBus(const ObjectReader &r, const QJsonArray &elements, MonitoringModel::DataType &type)
    {
        type.id = MonitoringModel::BusId;
        qsizetype next = 0;
        qsizetype end = 0;
        for (qsizetype i = 0; i < elements.size(); ++i) {
            const ObjectReader e(elements.at(i), QStringLiteral("%1.elements[%2]").arg(r.place()).arg(i),
                                 {"name", "type", "fixedPoint", "dims", "layout", "offset"});
            MonitoringModel::BusElement element;
            element.name = e.requiredText("name");
            element.type = typeNamed(e);
            element.scaling = scalingOf(e, element.type);
            element.shape = shapeOf(e);
            element.offset = uint16_t(e.integer("offset", 0, 0xFFFF, next));
            const qsizetype size = element.shape.elementCount() * m_model.types.at(element.type).size;
            next = element.offset + size;
            end = std::max(end, next);
            type.elements << element;
        }
        if (end > 0xFFFF)
            r.fail(QStringLiteral("the bus is larger than 65535 bytes"));
        type.size = uint16_t(r.integer("size", end, 0xFFFF, end));
    }

    int typeNamed(const ObjectReader &r) const
    {
        const QByteArray name = r.requiredText("type");
        const auto it = m_typeIndex.constFind(name);
        if (it == m_typeIndex.cend())
            r.fail(QStringLiteral("the type \"%1\" is not defined before").arg(QString::fromUtf8(name)));
        return *it;
    }

    int scalingOf(const ObjectReader &r, int type) const
    {
        const int scaling = int(r.integer("fixedPoint", 0, m_model.scalings.size() - 1, 0));
        if (scaling == 0)
            return 0;
        const MonitoringModel::DataType &t = m_model.types.at(type);
        const int partBits = (t.complex ? t.size / 2 : t.size) * 8;
        if (t.id < 2 || t.id > 7 || m_model.scalings.at(scaling).wordLength > partBits)
            r.fail(QStringLiteral("a fixed-point scaling needs an integer type as wide as its word length"));
        return scaling;
    }

    MonitoringModel::Shape shapeOf(const ObjectReader &r) const
    {
        MonitoringModel::Shape shape;
        if (r.has("dims")) {
            const QJsonArray dims = r.array("dims");
            if (dims.isEmpty() || dims.size() > 2)
                r.fail(QStringLiteral("\"dims\" must hold one or two sizes"));
            shape.sizes.clear();
            for (const QJsonValue &size : dims) {
                if (!size.isDouble() || size.toDouble() != std::floor(size.toDouble()) || size.toDouble() < 0
                    || size.toDouble() > 0xFFFF)
                    r.fail(QStringLiteral("\"dims\" must hold sizes from 0 to 65535"));
                shape.sizes << uint16_t(size.toInt());
            }
        }
        const bool single = shape.sizes == QList<uint16_t>{1};
        shape.layoutKind = uint8_t(r.integer("layout", 0, 4, single ? 0 : shape.sizes.size() == 1 ? 1 : 3));
        return shape;
    }

    MonitoringModel::Variable readVariable(const ObjectReader &r)
    {
        MonitoringModel::Variable v;
        if (!r.has("ref"))
            r.fail(QStringLiteral("\"ref\" is missing"));
        v.referenceId = uint16_t(r.integer("ref", 0, 0xFFFF, 0));
        if (m_references.contains(v.referenceId))
            r.fail(QStringLiteral("the reference id %1 is used twice").arg(v.referenceId));
        m_references.insert(v.referenceId);
        v.modelReference = uint16_t(r.integer("model", 0, m_model.references.size(), 0));
        v.blockPath = r.text("block", {});
        v.name = r.text("name", {});
        v.type = typeNamed(r);
        v.scaling = scalingOf(r, v.type);
        v.shape = shapeOf(r);
        if (m_model.valueSize(v) > 0xFFFF)
            r.fail(QStringLiteral("the value is larger than 65535 bytes"));
        return v;
    }

    MonitoringModel::Variable readStreamable(const ObjectReader &r, bool withPort)
    {
        MonitoringModel::Variable v = readVariable(r);
        if (!withPort && r.has("port"))
            r.fail(QStringLiteral("only signals have a port"));
        v.port = uint8_t(r.integer("port", 0, 255, 1));
        v.defaultRate = uint16_t(r.integer("rate", 0, 0xFFFF, 0));
        v.elementStep = r.number("elementStep", 1);
        if (r.has("wave"))
            v.waveform =
                waveformOf(ObjectReader(r.value("wave"), r.place() + QStringLiteral(".wave"),
                                        {"kind", "value", "start", "slope", "amplitude", "offset", "period", "burst"}));
        return v;
    }

    MonitoringWaveform waveformOf(const ObjectReader &r) const
    {
        MonitoringWaveform wave;
        const QByteArray kind = r.text("kind", "constant");
        if (kind == "constant")
            wave.kind = MonitoringWaveform::Kind::Constant;
        else if (kind == "ramp")
            wave.kind = MonitoringWaveform::Kind::Ramp;
        else if (kind == "sine")
            wave.kind = MonitoringWaveform::Kind::Sine;
        else
            r.fail(QStringLiteral("\"kind\" must be constant, ramp or sine"));
        wave.value = r.number("value", 0);
        wave.start = r.number("start", 0);
        wave.slope = r.number("slope", 0);
        wave.amplitude = r.number("amplitude", 0);
        wave.offset = r.number("offset", 0);
        wave.period = r.integer("period", 0, std::numeric_limits<int32_t>::max(), 0);
        if (wave.kind == MonitoringWaveform::Kind::Sine && wave.period == 0)
            r.fail(QStringLiteral("a sine needs a period"));
        if (r.has("burst")) {
            const ObjectReader burst(r.value("burst"), r.place() + QStringLiteral(".burst"),
                                     {"every", "length", "value"});
            wave.burstEvery = burst.integer("every", 1, std::numeric_limits<int32_t>::max(), 1);
            wave.burstLength = burst.integer("length", 0, wave.burstEvery, 1);
            wave.burstValue = burst.number("value", std::numeric_limits<double>::quiet_NaN());
        }
        return wave;
    }

    MonitoringModel::Variable readParameter(const ObjectReader &r, bool block)
    {
        MonitoringModel::Variable v = readVariable(r);
        if (!block && r.has("block"))
            r.fail(QStringLiteral("a model parameter has no block"));
        if (m_model.isBus(v))
            r.fail(QStringLiteral("a parameter cannot be a bus"));
        const QJsonArray values = r.array("values");
        if (values.size() != v.shape.elementCount())
            r.fail(QStringLiteral("\"values\" must hold %1 values").arg(v.shape.elementCount()));
        for (const QJsonValue &value : values)
            v.value += m_model.encode(v.type, v.scaling, r.numberValue(value, QStringLiteral("values")));
        return v;
    }

    // Every reply must fit into one message of the control channel.
    void checkMessageSizes(const ObjectReader &top) const
    {
        const auto fits = [](qsizetype payload) { return payload + ControlHeader <= MaxMessage; };
        const MonitoringModel::StringTables tables = m_model.stringTables();
        for (int t = 0; t < MonitoringModel::StringTableCount; ++t) {
            qsizetype size = 1;
            for (const QByteArray &text : tables.tables[size_t(t)])
                size += text.size() + 1;
            if (!fits(size))
                top.fail(QStringLiteral("string table %1 does not fit into one message").arg(t));
        }
        qsizetype busElements = 0;
        for (const MonitoringModel::DataType &type : m_model.types)
            busElements += type.elements.size();
        const QList<std::pair<qsizetype, const char *>> lists{
            {m_model.signalVariables.size() * 24, "the signal list"},
            {m_model.inputs.size() * 24, "the input list"},
            {m_model.outputs.size() * 24, "the output list"},
            {m_model.states.size() * 26, "the state list"},
            {m_model.blockParameters.size() * 20, "the block-parameter list"},
            {m_model.modelParameters.size() * 20, "the model-parameter list"},
            {m_model.types.size() * 16, "the data-type list"},
            {busElements * 16, "the bus-element list"},
            {m_model.scalings.size() * 24, "the fixed-point list"},
            {imageSize(m_model.blockParameters) + 1, "the block-parameter memory"},
            {imageSize(m_model.modelParameters) + 1, "the model-parameter memory"},
        };
        for (const auto &[size, what] : lists) {
            if (!fits(size))
                top.fail(QStringLiteral("%1 does not fit into one message").arg(QLatin1String(what)));
        }
    }

    static qsizetype imageSize(const QList<MonitoringModel::Variable> &parameters)
    {
        qsizetype size = 0;
        for (const MonitoringModel::Variable &parameter : parameters)
            size += parameter.value.size();
        return size;
    }

    MonitoringModel m_model;
    QHash<QByteArray, int> m_typeIndex;
    QSet<uint16_t> m_references;
};

} // namespace

std::optional<MonitoringModel> parse(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (document.isNull()) {
        *error = QStringLiteral("not JSON: %1 at byte %2").arg(parseError.errorString()).arg(parseError.offset);
        return std::nullopt;
    }
    try {
        return ModelReader().read(document.isObject() ? QJsonValue(document.object()) : QJsonValue());
    } catch (const ModelError &e) {
        *error = e.message;
        return std::nullopt;
    }
}

std::optional<MonitoringModel> load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    std::optional<MonitoringModel> model = parse(file.readAll(), error);
    if (!model)
        *error = path + QStringLiteral(": ") + *error;
    return model;
}

MonitoringModel fixture()
{
    QString error;
    std::optional<MonitoringModel> model = load(QStringLiteral(":/boardsimulator/fixture-model.json"), &error);
    Q_ASSERT_X(model, "MonitoringModelFile::fixture", qPrintable(error));
    return model ? *model : MonitoringModel();
}

} // namespace MonitoringModelFile
