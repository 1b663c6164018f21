#include "VersionTables.h"

namespace {

const QString kLatestVersion = QStringLiteral("LatestVersion");
const QString kVersions = QStringLiteral("Versions");

QMap<QString, ComponentFile> fileVersions(const QJsonObject &entry)
{
    QMap<QString, ComponentFile> files;
    const QJsonObject versions = entry.value(kVersions).toObject();
    for (auto it = versions.begin(); it != versions.end(); ++it) {
        const QJsonObject file = it.value().toObject();
        files.insert(it.key(), ComponentFile{file.value(QLatin1String("file")).toString(),
                                             file.value(QLatin1String("sha256")).toString()});
    }
    return files;
}

DeviceEntry deviceEntry(const QString &name, const QJsonObject &entry)
{
    DeviceEntry device{name, entry.value(kLatestVersion).toString(), {}};
    const QJsonObject versions = entry.value(kVersions).toObject();
    for (auto version = versions.begin(); version != versions.end(); ++version) {
        QMap<QString, QString> components;
        const QJsonObject listed = version.value().toObject();
        for (auto component = listed.begin(); component != listed.end(); ++component)
            components.insert(component.key(), component.value().toString());
        device.versions.insert(version.key(), components);
    }
    return device;
}

BlockEntry blockEntry(const QString &name, const QJsonObject &entry)
{
    return BlockEntry{name,
                      entry.value(kLatestVersion).toString(),
                      entry.value(QLatin1String("Category")).toString(),
                      entry.value(QLatin1String("Functionality")).toString(),
                      entry.value(QLatin1String("Description")).toString(),
                      entry.value(QLatin1String("BlockIcon")).toString(),
                      fileVersions(entry)};
}

} // namespace

VersionTables VersionTables::fromJson(const QJsonObject &root)
{
    VersionTables tables;
    const QJsonObject devices = root.value(QLatin1String("Devices")).toObject();
    for (auto it = devices.begin(); it != devices.end(); ++it)
        tables.devices.insert(it.key(), deviceEntry(it.key(), it.value().toObject()));

    const QJsonObject components = root.value(QLatin1String("Components")).toObject();
    for (auto it = components.begin(); it != components.end(); ++it) {
        const QJsonObject entry = it.value().toObject();
        tables.components.insert(it.key(),
                                 ComponentEntry{it.key(), entry.value(kLatestVersion).toString(), fileVersions(entry)});
    }

    const QJsonObject blocks = root.value(QLatin1String("Blocks")).toObject();
    for (auto it = blocks.begin(); it != blocks.end(); ++it)
        tables.blocks.insert(it.key(), blockEntry(it.key(), it.value().toObject()));
    return tables;
}
