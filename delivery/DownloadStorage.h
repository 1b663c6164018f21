#pragma once

#include <QString>
#include <QUrl>

// Where the maker's download storage is. Every file the program fetches lies below
// url(): the configured base address followed by the folder "halvora/".
//
// The base address comes from the environment variable HALVORA_DOWNLOAD_STORAGE, read
// on every call; without it the default names no real host, so an unconfigured
// program reaches out to nobody.
namespace DownloadStorage {

inline constexpr char kBaseVariable[] = "HALVORA_DOWNLOAD_STORAGE";
inline constexpr char kDefaultBase[] = "https://downloads.ostrel.invalid/";
inline constexpr char kFolder[] = "halvora/";

// The configured base address, always ending in "/".
QUrl base();

// DownloadStorageUrl: base() followed by "halvora/".
QUrl url();

// DownloadStorageUrl followed by a file name or by a path relative to it.
QUrl fileUrl(const QString &relativePath);

} // namespace DownloadStorage
