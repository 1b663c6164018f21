#include "FileIo.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>

void FileIo::writeToFile(const QUrl &fileUrl, const QByteArray &data) const
{
    QFile file(fileUrl.toLocalFile());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qWarning() << "Couldn't open path file.";
        return;
    }
    if (file.write(data) != data.size())
        qWarning() << "Couldn't write file" << fileUrl.toString() << file.errorString();
}

QByteArray FileIo::readFromFile(const QUrl &fileUrl) const
{
    QFile file(fileUrl.toLocalFile());
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning() << "Couldn't open path file.";
        return {};
    }
    return file.readAll();
}

void FileIo::deleteFile(const QUrl &fileUrl) const
{
    if (!QFile::remove(fileUrl.toLocalFile()))
        qWarning() << "Couldn't delete file " << fileUrl;
}

QUrl FileIo::tempFileUrl() const
{
    // The temporary folder is shared with other users: the name comes from the
    // system's random source and the file is created exclusively (never through a
    // link planted under that name), readable by this user only.
    const QString folderPath = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    const QDir folder(folderPath);
    constexpr int kAttempts = 64;
    // An unusable temporary folder reads as an empty path, which must not become
    // the working folder.
    for (int attempt = 0; attempt < kAttempts && !folderPath.isEmpty(); ++attempt) {
        const QString name = QStringLiteral("HalvoraWayvane_%1").arg(QRandomGenerator::system()->generate());
        QFile file(folder.filePath(name));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            return QUrl::fromLocalFile(file.fileName());
    }
    qWarning() << "Couldn't create a temporary file in" << folderPath;
    return {};
}
