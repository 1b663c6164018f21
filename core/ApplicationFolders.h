#pragma once

#include <QDir>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

// The one place that decides where the program keeps its files. Base folders are
// made the first time they are asked for; named sub-folders are made on demand.
class ApplicationFolders
{
public:
    enum FolderKind {
        HomeFolder = 0,
        AppDataFolder = 1,
        ProgramDataFolder = 2,
        ProgramDataRoot = 3,
    };

    // Where the base folders come from. The defaults read QStandardPaths; tests
    // hand in their own to reach the branches a real desktop never shows.
    struct Locations
    {
        std::function<QString()> home;
        std::function<QString()> appData;
        std::function<QStringList()> genericConfig;
        std::function<QString()> genericData;

        static Locations standard();
    };

    explicit ApplicationFolders(Locations locations = Locations::standard());

    static ApplicationFolders &instance();

    // The base folder of a kind, made first when it has not been made yet. After a
    // failure the value may not be usable: check isInitialised().
    QDir folder(FolderKind kind);
    bool isInitialised(FolderKind kind) const;

    // The named sub-folder below the base folder of a kind, every missing level made.
    // The name is relative and may hold "/" to reach several levels. Returns nothing
    // when the name is unsafe or the folder cannot be made; callers must not fall
    // back to the working directory.
    std::optional<QDir> subFolder(FolderKind kind, const QByteArray &name);

    // A relative name without "..", "." segments, backslashes or a drive or root.
    static bool isSafeSubFolderName(const QString &name);

private:
    QDir makeFolder(FolderKind kind);
    QDir makeProgramDataFolder(bool create);

    Locations m_locations;
    mutable QMutex m_mutex;
    std::array<QDir, 4> m_folders;
    std::array<bool, 4> m_initialised{};
};
