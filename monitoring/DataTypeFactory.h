#pragma once

#include "IDataType.h"
#include "MonitoringProtocol.h"
#include "ProtocolRecords.h"

#include <QByteArrayView>
#include <QList>

#include <array>
#include <memory>

namespace monitoring {

// Turns the board's data-type and fixed-point lists, with the string tables that name
// them, into data-type objects. A request that the lists cannot serve (an index out of
// range, an unsupported kind or width) gives an empty pointer and a warning, never a
// wrongly sized type. Every call builds a new object.
class DataTypeFactory
{
public:
    void setDataTypes(QList<protocol::datatype_t> records) { m_dataTypes = std::move(records); }
    void setFixedPoints(QList<protocol::fxp_info_t> records) { m_fixedPoints = std::move(records); }
    void setStringTable(protocol::string_type_t table, QList<QByteArray> entries);
    void clear();

    const QList<protocol::datatype_t> &dataTypes() const { return m_dataTypes; }
    const QList<protocol::fxp_info_t> &fixedPoints() const { return m_fixedPoints; }

    // A fixed-point index of 0 means no scaling; it is valid only when the board sent
    // at least one fixed-point record.
    std::shared_ptr<IDataType> createDataType(uint16_t dataTypeIndex, int32_t fixedPointIndex) const;
    // Entry index of a table, or an empty view and a warning when there is none. The
    // view stays valid while the table is unchanged.
    QByteArrayView stringAt(protocol::string_type_t table, int32_t index) const;
    qsizetype stringCount(protocol::string_type_t table) const
    {
        return table <= protocol::LastStringTable ? m_strings[table].size() : 0;
    }
    bool isBusType(uint16_t dataTypeIndex, int32_t fixedPointIndex) const;

private:
    DataTypeIdentity identityOf(uint16_t dataTypeIndex, const protocol::datatype_t &record) const;
    std::shared_ptr<IDataType> createBasicDataType(uint16_t index, const protocol::datatype_t &record) const;
    std::shared_ptr<IDataType> createComplexDataType(uint16_t index, const protocol::datatype_t &record) const;
    std::shared_ptr<IDataType> createEnumDataType(uint16_t index, const protocol::datatype_t &record) const;
    std::shared_ptr<IDataType> createFixedPointDataType(uint16_t index, const protocol::datatype_t &record,
                                                        const protocol::fxp_info_t &scaling) const;
    std::shared_ptr<IDataType> createComplexFixedPointDataType(uint16_t index, const protocol::datatype_t &record,
                                                               const protocol::fxp_info_t &scaling) const;

    QList<protocol::datatype_t> m_dataTypes;
    QList<protocol::fxp_info_t> m_fixedPoints;
    std::array<QList<QByteArray>, protocol::LastStringTable + 1> m_strings;
};

} // namespace monitoring
