#include "FirmwareStorage.h"

#include "ExternalTools.h"
#include "FirmwareCipher.h"
#include "VersionInfoFixture.h"

#include <QDir>
#include <QFileInfo>

FirmwareStorage::FirmwareStorage() = default;

QString FirmwareStorage::fileName(const QString &component, const QString &version)
{
    return QStringLiteral("%1_%2.bin").arg(component, version);
}

QString FirmwareStorage::filePath(const QString &component, const QString &version) const
{
    return m_root.filePath(QStringLiteral("halvora/firmware/") + fileName(component, version));
}

QByteArray FirmwareStorage::image(const QString &component, const QString &version, int size)
{
    QByteArray image = "ZELTO-FW-VERSION:" + version.toLatin1() + '\0' + component.toLatin1() + '\0';
    for (int i = 0; image.size() < size; ++i)
        image.append(char((i * 31 + 7) & 0xFF));
    image.truncate(size - size % 4);
    return image;
}

QByteArray FirmwareStorage::publish(const QString &component, const QString &version, const QByteArray &publishedDigest,
                                    const QByteArray &key)
{
    const QByteArray plain = image(component, version);
    const QByteArray encrypted = ExternalTools::opensslEncrypt(plain, key.isEmpty() ? FirmwareCipher::key() : key,
                                                               FirmwareCipher::iv());
    const QString path = filePath(component, version);
    QDir().mkpath(QFileInfo(path).path());
    ExternalTools::writeFile(path, encrypted);
    const QString digest = publishedDigest.isEmpty() ? ExternalTools::sha256sumHex(path)
                                                     : QString::fromLatin1(publishedDigest);

    QJsonObject entry = m_components.value(component).toObject();
    QJsonObject versions = entry.value(QStringLiteral("Versions")).toObject();
    versions.insert(version, QJsonObject{{"file", QStringLiteral("firmware/") + fileName(component, version)},
                                         {"sha256", digest}});
    entry.insert(QStringLiteral("Versions"), versions);
    entry.insert(QStringLiteral("LatestVersion"), version);
    m_components.insert(component, entry);
    return plain;
}

void FirmwareStorage::addDeviceVersion(const QString &device, const QString &deviceVersion,
                                       const QMap<QString, QString> &components)
{
    QJsonObject entry = m_devices.value(device).toObject();
    QJsonObject versions = entry.value(QStringLiteral("Versions")).toObject();
    QJsonObject listed;
    for (auto it = components.cbegin(); it != components.cend(); ++it)
        listed.insert(it.key(), it.value());
    versions.insert(deviceVersion, listed);
    entry.insert(QStringLiteral("Versions"), versions);
    entry.insert(QStringLiteral("LatestVersion"), deviceVersion);
    m_devices.insert(device, entry);
}

bool FirmwareStorage::writeVersionInfo() const
{
    const QJsonObject document{{"Version", 1}, {"Devices", m_devices}, {"Components", m_components}};
    QDir().mkpath(m_root.filePath(QStringLiteral("halvora")));
    return ExternalTools::writeFile(m_root.filePath(QStringLiteral("halvora/versionInfo.data")),
                                    VersionInfoFixture::file(document));
}
