#pragma once

#include <QByteArray>
#include <QObject>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

// Whole-file reading, writing and deleting by URL for QML, and fresh temporary files.
class FileIo : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    Q_INVOKABLE void writeToFile(const QUrl &fileUrl, const QByteArray &data) const;
    Q_INVOKABLE QByteArray readFromFile(const QUrl &fileUrl) const;
    Q_INVOKABLE void deleteFile(const QUrl &fileUrl) const;

    // The URL of a new, empty file of this user in the temporary folder, named
    // "HalvoraWayvane_" and an unpredictable number; an empty URL when none could
    // be made. The file is created here, so no other file is ever overwritten.
    Q_INVOKABLE QUrl tempFileUrl() const;
};
