#pragma once

#include <QByteArray>
#include <QDir>
#include <QMap>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// One start of MATLAB: its program, the arguments and the folder it starts in.
struct MatlabCommand
{
    QString program;
    QStringList arguments;
    QString workingDirectory;

    bool operator==(const MatlabCommand &) const = default;
};

// Knows the MATLAB installations of this machine and starts MATLAB in them to install
// or remove the toolchain.
//
// An installation is keyed by its MATLAB version text (digit, point, two digits: 9.14
// for R2023a). The helper remembers the toolchain version each one reports installed
// (version files that the toolchain writes from inside MATLAB) and the installations
// and removals it started that MATLAB has not reported back on yet.
//
// MATLAB is started from a queue, one command after the other, on the helper's own
// thread. Any thread may call the helper; the tables are guarded by a lock of their
// own that is never held while MATLAB is started.
class MatlabHelper
{
public:
    static constexpr char kFolderName[] = "MatlabHelper";
    static constexpr char kVersionFolderName[] = "MatlabToolchainVersion";
    static constexpr char kInstallStatement[] = "installHalvoraToolchain";
    static constexpr char kUninstallStatement[] = "uninstallHalvoraToolchain";

    // Starts the program of a command and returns; false when it could not be started.
    using Launcher = std::function<bool(const MatlabCommand &)>;

    struct Settings
    {
        // The folders MATLAB is looked for in (see MatlabLocator); the configured ones
        // when not given.
        std::optional<QStringList> installationRoots;
        // startDetached when not given.
        Launcher launch;
    };

    // The launcher used by default: MATLAB is started on its own, as MATLAB's
    // launcher does elsewhere, so it runs on when the program ends.
    static bool startDetached(const MatlabCommand &command);

    // Finds the installations and reads the installed toolchain versions; throws
    // std::system_error when the command thread cannot be started.
    explicit MatlabHelper(Settings settings = {});
    // Drops the commands still queued; a command being started is waited for.
    ~MatlabHelper();

    MatlabHelper(const MatlabHelper &) = delete;
    MatlabHelper &operator=(const MatlabHelper &) = delete;

    // Queues MATLAB with the install statement in startFolder. On 0 records the
    // toolchain version as pending (a pending record of that MATLAB stays as it is).
    // -1 when there is no installation of that version.
    int installToolchain(const QByteArray &matlabVersion, const QByteArray &startFolder,
                         const QByteArray &toolchainVersion);
    // The same with the uninstall statement; a removal is recorded as pending too.
    int uninstallToolchain(const QByteArray &matlabVersion, const QByteArray &startFolder);
    // MATLAB's report: progress 100 with no flag other than 2 ends the pending
    // installation (the toolchain is recorded) or removal (its record goes).
    void completeInstallation(const QByteArray &matlabVersion, int progress, int flags, bool isUninstall);
    // 0 when the command was queued (nothing is known of MATLAB's success yet), -1
    // when there is no installation of that version.
    int runMatlab(const QByteArray &matlabVersion, const QByteArray &statement, const QByteArray &startFolder);

    // MATLAB version -> its program.
    QMap<QByteArray, QString> installations() const;
    // MATLAB version -> the toolchain version installed there.
    QMap<QByteArray, QByteArray> toolchainVersions() const;
    // MATLAB version -> the toolchain version being installed or removed there.
    QMap<QByteArray, QByteArray> pendingToolchains() const;
    // The helper's folder; empty when it could not be made.
    QString folderPath() const;

    // "R2023a" -> "9.14". Throws std::invalid_argument for a release before R2006a or
    // a text that is no release name.
    static QByteArray readableMatlabVersion(const QByteArray &release);
    // "9.14" -> "R2023a", the inverse of readableMatlabVersion. Throws
    // std::invalid_argument or std::out_of_range for a text that is no version.
    static QByteArray matlabVersionNumber(const QByteArray &version);
    // Records the installation a path inside a release folder belongs to (version ->
    // the release's root folder); the first root found for a version stays.
    static void addInstallationPath(QMap<QByteArray, QString> &installations, const QString &path);
    // "x_9_14.json" -> "9.14"; nothing for a name that is no version file's.
    static std::optional<QByteArray> versionOfVersionFile(const QString &fileName);

private:
    void findInstallations(const QStringList &roots);
    void readToolchainVersions();
    void commandWorker();
    std::optional<MatlabCommand> takeCommand();

    std::optional<QDir> m_folder;
    Launcher m_launch;

    mutable std::mutex m_tablesLock;
    QMap<QByteArray, QString> m_installations;
    QMap<QByteArray, QByteArray> m_toolchainVersions;
    QMap<QByteArray, QByteArray> m_pendingToolchains;

    std::mutex m_queueLock;
    std::condition_variable m_queueChanged;
    std::deque<MatlabCommand> m_queue;
    bool m_running = true;
    std::thread m_worker;
};
