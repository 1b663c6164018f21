#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The storage answers a request it cannot serve with an XML document instead of the
// file: a root element "Error" holding a "Code" element, for example
//   <Error><Code>BlobNotFound</Code><Message>...</Message></Error>
// Returns the text of the first "Code" element when `body` is such a document, and
// nothing for any other body, including a document that is cut short.
std::optional<QString> storageErrorCode(const QByteArray &body);
