#include "StorageErrorDocument.h"

#include <QXmlStreamReader>

std::optional<QString> storageErrorCode(const QByteArray &body)
{
    QXmlStreamReader xml(body);
    xml.setNamespaceProcessing(true);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("Error"))
        return std::nullopt;

    std::optional<QString> code;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!code && xml.isStartElement() && xml.name() == QLatin1String("Code"))
            code = xml.readElementText(QXmlStreamReader::IncludeChildElements);
    }
    // Only a whole, well-formed document counts.
    if (xml.hasError())
        return std::nullopt;
    return code;
}
