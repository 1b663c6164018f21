#include "HwSetting.h"

#include <QDebug>
#include <QStringList>

#include <array>
#include <cstring>
#include <optional>

namespace {

// The four octets of a dotted address, or nothing: exactly four parts, each "0" or a
// decimal number from 1 to 255.
std::optional<std::array<uint8_t, 4>> parseIpv4(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    std::array<uint8_t, 4> octets{};
    for (int i = 0; i < 4; ++i) {
        if (parts[i] == QLatin1String("0"))
            continue;
        bool ok = false;
        const int value = parts[i].toInt(&ok, 10);
        if (!ok || value < 1 || value > 255)
            return std::nullopt;
        octets[size_t(i)] = uint8_t(value);
    }
    return octets;
}

bool isSigned(HwSetting::Type type)
{
    return type == HwSetting::Int8 || type == HwSetting::Int16 || type == HwSetting::Int32;
}

bool isUnsigned(HwSetting::Type type)
{
    return type == HwSetting::Uint8 || type == HwSetting::Uint16 || type == HwSetting::Uint32;
}

size_t numberSize(HwSetting::Type type)
{
    switch (type) {
    case HwSetting::Int8:
    case HwSetting::Uint8:
        return 1;
    case HwSetting::Int16:
    case HwSetting::Uint16:
        return 2;
    default:
        return 4;
    }
}

// The length of the longest prefix of utf8 that has at most limit bytes and does not
// end inside a character.
qsizetype utf8PrefixLength(const QByteArray &utf8, qsizetype limit)
{
    if (utf8.size() <= limit)
        return utf8.size();
    qsizetype length = limit;
    while (length > 0 && (uint8_t(utf8[length]) & 0xC0) == 0x80)
        --length;
    return length;
}

} // namespace

HwSetting::HwSetting(QObject *parent, const QString &name, Type headingType)
    : QObject(parent)
    , m_type(headingType)
    , m_name(name)
{
}

HwSetting::HwSetting(QObject *parent, const QString &name, char *text, int maxLength, bool isPassword,
                     ValidationCallback callback, void *userData)
    : QObject(parent)
    , m_type(String)
    , m_name(name)
    , m_maxLength(qMax(0, maxLength))
    , m_isPassword(isPassword)
    , m_field(reinterpret_cast<uint8_t *>(text))
    , m_userData(userData)
    , m_callback(callback)
{
    setGuiValues();
    m_acceptedText = m_stringValue;
}

HwSetting::HwSetting(QObject *parent, const QString &name, Type type, void *field, ValidationCallback callback,
                     void *userData, double minValue, double maxValue, int maxDecimals)
    : QObject(parent)
    , m_type(type)
    , m_name(name)
    , m_minValue(minValue)
    , m_maxValue(maxValue)
    , m_maxDecimals(maxDecimals)
    , m_field(static_cast<uint8_t *>(field))
    , m_userData(userData)
    , m_callback(callback)
{
    if (type == Bool) {
        m_acceptedPosition = m_field && *m_field != 0;
        return;
    }
    setGuiValues();
    m_acceptedText = m_stringValue;
}

bool HwSetting::boolPosition() const
{
    return m_type == Bool && m_field && *m_field != 0;
}

double HwSetting::getBoolPosition() const
{
    return m_type == Bool && m_field ? double(*m_field) : 0.0;
}

// The buffer's bytes up to its first NUL, never beyond its end.
QString HwSetting::fieldText() const
{
    const auto *text = reinterpret_cast<const char *>(m_field);
    return QString::fromUtf8(text, qsizetype(qstrnlen(text, size_t(m_maxLength))));
}

void HwSetting::setGuiValues(bool localUpdate, QString updatedString)
{
    switch (m_type) {
    case String:
        if (m_field)
            m_stringValue = fieldText();
        break;
    case IpAddress:
        if (localUpdate) {
            m_stringValue = updatedString;
        } else if (m_field && (m_field[0] | m_field[1] | m_field[2] | m_field[3]) != 0) {
            m_stringValue =
                QStringLiteral("%1.%2.%3.%4").arg(m_field[0]).arg(m_field[1]).arg(m_field[2]).arg(m_field[3]);
        }
        break;
    case Bool:
        if (m_field)
            m_acceptedPosition = *m_field != 0;
        break;
    case Int8:
    case Int16:
    case Int32:
    case Uint8:
    case Uint16:
    case Uint32:
        if (m_field) {
            if (m_type == Int8)
                m_stringValue = QString::number(*reinterpret_cast<const int8_t *>(m_field));
            else if (m_type == Uint8)
                m_stringValue = QString::number(*m_field);
            else if (m_type == Int16 || m_type == Uint16) {
                uint16_t raw = 0;
                std::memcpy(&raw, m_field, sizeof raw);
                m_stringValue = m_type == Int16 ? QString::number(int16_t(raw)) : QString::number(raw);
            } else {
                uint32_t raw = 0;
                std::memcpy(&raw, m_field, sizeof raw);
                m_stringValue = m_type == Int32 ? QString::number(int32_t(raw)) : QString::number(raw);
            }
        }
        break;
    case Float:
        if (m_field) {
            float value = 0;
            std::memcpy(&value, m_field, sizeof value);
            m_stringValue = QString::number(double(value), 'g', 6);
        }
        break;
    default:
        return;
    }
    emit ValueChanged();
}

// Texts are kept as UTF-8 with their NUL inside the buffer: the next bytes of the
// record are other fields. The rest of the buffer is cleared, so that no tail of an
// earlier, longer text goes back to the board.
void HwSetting::storeText(const QString &text)
{
    if (m_maxLength <= 0)
        return;
    const QByteArray utf8 = text.toUtf8();
    const qsizetype length = utf8PrefixLength(utf8, m_maxLength - 1);
    std::memset(m_field, 0, size_t(m_maxLength));
    std::memcpy(m_field, utf8.constData(), size_t(length));
}

void HwSetting::store(const QString &text)
{
    if (!m_field)
        return;
    switch (m_type) {
    case String:
        storeText(text);
        break;
    case IpAddress: {
        const auto octets = text.isEmpty() ? std::nullopt : parseIpv4(text);
        for (int i = 0; i < 4; ++i)
            m_field[i] = octets ? (*octets)[size_t(i)] : 0;
        break;
    }
    case Int8:
    case Int16:
    case Int32:
    case Uint8:
    case Uint16: {
        const auto value = uint32_t(int32_t(text.toLongLong(nullptr, 10)));
        std::memcpy(m_field, &value, numberSize(m_type)); // the low bytes, on this little-endian machine
        break;
    }
    case Uint32: {
        const uint32_t value = text.toUInt(nullptr, 10);
        std::memcpy(m_field, &value, sizeof value);
        break;
    }
    case Float: {
        const float value = text.toFloat();
        std::memcpy(m_field, &value, sizeof value);
        break;
    }
    default:
        break;
    }
}

bool HwSetting::isValueValid(const QString &text) const
{
    switch (m_type) {
    case String: {
        // Room for the text's bytes and its NUL.
        if (text.toUtf8().size() > m_maxLength - 1)
            return false;
        return m_name != QLatin1String("Password") || text.toUcs4().size() >= 8;
    }
    case IpAddress:
        return text.isEmpty() || parseIpv4(text).has_value();
    case Float: {
        const double value = double(text.toFloat());
        return value >= m_minValue && value <= m_maxValue;
    }
    default:
        break;
    }
    if (isSigned(m_type)) {
        const double value = double(text.toLongLong(nullptr, 10));
        return value >= m_minValue && value <= m_maxValue;
    }
    if (isUnsigned(m_type)) {
        const double value = double(text.toULongLong(nullptr, 10));
        return value >= m_minValue && value <= m_maxValue;
    }
    return true;
}

void HwSetting::editingValueFinished(QString updatedString)
{
    const bool differs = m_acceptedText != updatedString;
    store(updatedString);
    setGuiValues(m_type == IpAddress, updatedString);

    bool callbackAccepts = true;
    if (m_callback) {
        QString message;
        callbackAccepts = m_callback(m_userData, this, message);
        if (!callbackAccepts)
            qDebug() << message;
    }
    FieldState state = Unchanged;
    if (!callbackAccepts)
        state = Error;
    else if (differs)
        state = isValueValid(updatedString) ? Changed : Error;
    setFieldState(state);
}

void HwSetting::editingTextChanged(QString updatedString)
{
    editingValueFinished(updatedString);
    for (HwSetting *linked : std::as_const(m_linked)) {
        if (linked != this)
            linked->editingValueFinished(linked->getStringValue());
    }
}

void HwSetting::boolValueUpdated(bool checked)
{
    if (checked == m_acceptedPosition && m_fieldState != Unchanged)
        setFieldState(Unchanged);
    if (!m_field || (*m_field != 0) == checked)
        return;
    *m_field = checked ? 1 : 0;
    emit ValueChanged();
    if (checked != m_acceptedPosition && m_fieldState != Changed)
        setFieldState(Changed);
}

void HwSetting::setFieldState(FieldState state)
{
    if (state == m_fieldState)
        return;
    const FieldState old = m_fieldState;
    m_fieldState = state;
    emit FieldStateChanged(state);
    if (old == Changed || state == Changed)
        emit ValuePendingChanged();
}

void HwSetting::acceptChanges()
{
    setGuiValues(false);
    setFieldState(Unchanged);
    m_acceptedText = m_stringValue;
}

void HwSetting::discardChanges()
{
    setFieldState(Unchanged);
    m_stringValue = m_acceptedText;
    emit ValueChanged();
}
