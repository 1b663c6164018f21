#pragma once

#include <QByteArray>

#include <cstdint>
#include <span>

namespace monitoring {

// One element's bytes as the board sends them (little-endian). The conversions do not
// check the length: callers always pass at least size() bytes.
using ElementBytes = std::span<const uint8_t>;
using MutableElementBytes = std::span<uint8_t>;

// What every data type of the monitored model is known by.
struct DataTypeIdentity
{
    uint8_t typeId = 0;         // the board's data-type id (the storage's id for enumerations)
    uint16_t dataTypeIndex = 0; // position in the board's data-type list
    QByteArray name;
    QByteArray secondName;
};

// The type of a signal, state or parameter element: how wide one element is and how
// its bytes convert to and from a double or a 64-bit integer. Immutable once built.
class IDataType
{
public:
    explicit IDataType(DataTypeIdentity identity)
        : m_identity(std::move(identity))
    {
    }
    virtual ~IDataType() = default;
    IDataType(const IDataType &) = delete;
    IDataType &operator=(const IDataType &) = delete;

    virtual double toDouble(ElementBytes element) const = 0;
    virtual void fromDouble(double value, MutableElementBytes element) const = 0;
    virtual int64_t toInt64(ElementBytes element) const = 0;
    virtual void fromInt64(int64_t value, MutableElementBytes element) const = 0;
    virtual uint16_t size() const = 0;
    virtual bool isComplex() const { return false; }
    virtual bool isInteger() const = 0;
    virtual double minDouble() const = 0;
    virtual double maxDouble() const = 0;
    virtual int64_t minInt64() const = 0;
    virtual int64_t maxInt64() const = 0;

    uint8_t typeId() const { return m_identity.typeId; }
    uint16_t dataTypeIndex() const { return m_identity.dataTypeIndex; }
    const QByteArray &name() const { return m_identity.name; }
    const QByteArray &secondName() const { return m_identity.secondName; }

private:
    DataTypeIdentity m_identity;
};

// A type whose element is a real part followed by an imaginary part of the same width.
// The scalar conversions read the magnitude and leave a written element untouched.
class IComplexDataType : public IDataType
{
public:
    using IDataType::IDataType;

    virtual double realToDouble(ElementBytes element) const = 0;
    virtual double imagToDouble(ElementBytes element) const = 0;
    virtual void fromComplexDouble(double real, double imag, MutableElementBytes element) const = 0;
    virtual int64_t realToInt64(ElementBytes element) const = 0;
    virtual int64_t imagToInt64(ElementBytes element) const = 0;
    virtual void fromComplexInt64(int64_t real, int64_t imag, MutableElementBytes element) const = 0;

    bool isComplex() const override { return true; }
    void fromDouble(double, MutableElementBytes) const override {}
    void fromInt64(int64_t, MutableElementBytes) const override {}
};

} // namespace monitoring
