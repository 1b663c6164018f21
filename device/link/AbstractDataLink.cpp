#include "AbstractDataLink.h"

#include <QMetaEnum>

AbstractDataLink::AbstractDataLink(LinkType linkType, QObject *parent)
    : QObject(parent)
    , m_linkType(linkType)
{
    // The short names let both enumerations travel through queued connections
    // that are declared by signature.
    qRegisterMetaType<AbstractDataLink::LinkType>("LinkType");
    qRegisterMetaType<AbstractDataLink::DatalinkState>("DatalinkState");
    qRegisterMetaType<DatalinkChannelId>("DatalinkChannelId");
}

const char *AbstractDataLink::linkTypeName(LinkType linkType)
{
    const char *name = QMetaEnum::fromType<LinkType>().valueToKey(linkType);
    return name ? name : "Unknown";
}

void AbstractDataLink::setState(DatalinkState state)
{
    m_state.store(state);
    emit datalinkStateSignal(m_linkType, state);
}
