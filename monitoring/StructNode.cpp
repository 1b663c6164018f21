#include "StructNode.h"

namespace monitoring {

StructNode::StructNode(int32_t typeCode, Interface *interface, IModelNode *parent, uint16_t referenceId,
                       uint16_t modelReference, uint16_t offset, Dimensions dimensions, uint16_t defaultRate,
                       QByteArray name, QByteArray pathName, uint16_t dataTypeIndex)
    : IModelNode(interface, parent, std::move(name), std::move(pathName))
    , m_referenceId(referenceId)
    , m_modelReference(modelReference)
    , m_offset(offset)
    , m_defaultRate(defaultRate)
    , m_dimensions(std::move(dimensions))
    , m_typeCode(typeCode)
    , m_dataTypeIndex(dataTypeIndex)
{
}

uint16_t StructNode::busOffset() const
{
    const auto *outer = parent() && parent()->isStruct() ? static_cast<const StructNode *>(parent()) : nullptr;
    return uint16_t(m_offset + (outer ? outer->busOffset() : 0));
}

StructElementNode::StructElementNode(Interface *interface, StructNode *parent, uint16_t offset,
                                     std::shared_ptr<IDataType> dataType, Dimensions dimensions, const QByteArray &name)
    : StreamableNode(interface, parent, parent->referenceId(), parent->modelReference(), std::move(dataType),
                     std::move(dimensions), parent->defaultRate(), name, name)
    , m_offset(offset)
{
}

uint16_t StructElementNode::elementOffset() const
{
    const auto *bus = parent() && parent()->isStruct() ? static_cast<const StructNode *>(parent()) : nullptr;
    return uint16_t(m_offset + (bus ? bus->busOffset() : 0));
}

} // namespace monitoring
