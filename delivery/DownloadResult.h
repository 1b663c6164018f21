#pragma once

#include <QMetaType>
#include <QString>

// The outcome of one download, or one failure on its way. A download's future holds
// zero or more failures and at most one success.
struct DownloadResult
{
    // The local path of the written file on success, else the error text.
    QString pathOrError;
    // The reply's content-type header; empty on failure or when the reply has none.
    QString contentType;
    bool success = false;
};

Q_DECLARE_METATYPE(DownloadResult)
