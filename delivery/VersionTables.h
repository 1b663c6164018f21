#pragma once

#include <QJsonObject>
#include <QMap>
#include <QString>

// The tables of the published version information. Every map is keyed by name or
// version text and iterates in ascending key order.

// The file of one version of a component or block: its path below the download
// storage and its SHA-256 (64 hexadecimal characters, or the raw digest).
struct ComponentFile
{
    QString file;
    QString sha256;
};

struct DeviceEntry
{
    QString name;
    QString latestVersion;
    // Device version -> component name -> component version.
    QMap<QString, QMap<QString, QString>> versions;
};

struct ComponentEntry
{
    QString name;
    QString latestVersion;
    QMap<QString, ComponentFile> versions;
};

struct BlockEntry
{
    QString name;
    QString latestVersion;
    QString category;
    QString functionality;
    QString description;
    QString blockIcon;
    QMap<QString, ComponentFile> versions;
};

struct VersionTables
{
    QMap<QString, DeviceEntry> devices;
    QMap<QString, ComponentEntry> components;
    QMap<QString, BlockEntry> blocks;

    // Reads "Devices", "Components" and "Blocks" of the document's root object. A value
    // of an unexpected JSON type reads as an empty text or an empty object; other keys
    // are ignored.
    static VersionTables fromJson(const QJsonObject &root);
};
