#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QTemporaryDir>

// The maker's storage as the firmware update sees it, in a folder that the storage
// peer serves: firmware images encrypted by `openssl enc` with the program's firmware
// key, their digests from sha256sum, and the version information that lists them.
class FirmwareStorage
{
public:
    FirmwareStorage();

    QString root() const { return m_root.path(); }

    // A firmware image as a board runs it: it names its version for the board
    // simulator, then filler bytes up to `size` (a whole number of words).
    static QByteArray image(const QString &component, const QString &version, int size = 9000);

    // Publishes the image of a component version (encrypted) and returns the image.
    // `publishedDigest` replaces the file's true digest in the version information;
    // `key` replaces the firmware key.
    QByteArray publish(const QString &component, const QString &version, const QByteArray &publishedDigest = {},
                       const QByteArray &key = {});
    // A device version made of component versions; the last one added is the latest.
    void addDeviceVersion(const QString &device, const QString &deviceVersion,
                          const QMap<QString, QString> &components);
    // Writes "versionInfo.data" with everything published so far.
    bool writeVersionInfo() const;

    // Where a published file lies in the storage folder.
    QString filePath(const QString &component, const QString &version) const;
    static QString fileName(const QString &component, const QString &version);

private:
    QTemporaryDir m_root;
    QJsonObject m_devices;
    QJsonObject m_components;
};
