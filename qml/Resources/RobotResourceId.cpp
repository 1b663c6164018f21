#include "RobotResourceId.h"

#include <QDataStream>
#include <QDebug>
#include <QMetaEnum>

QString RobotResourceId::toString() const
{
    const char *key = QMetaEnum::fromType<RobotResourceType::ResourceType>().valueToKey(int(type));
    const QString kind = key ? QString::fromLatin1(key) : QStringLiteral("Unknown");
    return kind + QLatin1Char(':') + uuid.toString(QUuid::WithoutBraces);
}

RobotResourceId RobotResourceId::fromString(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 2)
        return {};
    bool known = false;
    const int value =
        QMetaEnum::fromType<RobotResourceType::ResourceType>().keyToValue(parts.first().toLatin1().constData(), &known);
    RobotResourceId id;
    id.type = known ? RobotResourceType::ResourceType(value) : RobotResourceType::Unknown;
    id.uuid = QUuid::fromString(parts.last());
    return id;
}

QDebug operator<<(QDebug debug, const RobotResourceId &id)
{
    return debug << id.toString();
}

QDataStream &operator<<(QDataStream &stream, const RobotResourceId &id)
{
    return stream << id.toString();
}

QDataStream &operator>>(QDataStream &stream, RobotResourceId &id)
{
    QString text;
    stream >> text;
    id = RobotResourceId::fromString(text);
    return stream;
}
