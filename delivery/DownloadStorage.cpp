#include "DownloadStorage.h"

namespace DownloadStorage {

QUrl base()
{
    QString text = qEnvironmentVariable(kBaseVariable);
    if (text.isEmpty())
        text = QString::fromLatin1(kDefaultBase);
    if (!text.endsWith(QLatin1Char('/')))
        text.append(QLatin1Char('/'));
    return QUrl(text);
}

QUrl url()
{
    return QUrl(base().toString() + QLatin1String(kFolder));
}

QUrl fileUrl(const QString &relativePath)
{
    // Appended as text: a listed path is relative to the folder, never a new root.
    qsizetype start = 0;
    while (start < relativePath.size() && relativePath.at(start) == QLatin1Char('/'))
        ++start;
    return QUrl(url().toString() + relativePath.mid(start));
}

} // namespace DownloadStorage
