#include "MatlabHelper.h"

#include "ApplicationFolders.h"
#include "MatlabLocator.h"

#include <QDebug>
#include <QFile>
#include <QProcess>

#include <nlohmann/json.hpp>

#include <array>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace {

// The number C's atoi reads at the start of the text: optional blanks and sign, then
// digits; 0 when there are none.
int leadingNumber(const QByteArray &text)
{
    return std::atoi(text.constData());
}

// Read as C's stof does, but with "." as the decimal point whatever the user's locale:
// Qt sets the C locale from the environment, and "9.14" would read as 9 under a
// locale with a decimal comma.
float readFloat(const QByteArray &text)
{
    float value = 0;
    const char *begin = text.constData();
    const char *end = begin + text.size();
    while (begin != end && (*begin == ' ' || *begin == '\t'))
        ++begin;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (error == std::errc::invalid_argument || stop == begin)
        throw std::invalid_argument("invalid stof argument");
    if (error == std::errc::result_out_of_range)
        throw std::out_of_range("stof argument out of range");
    return value;
}

// printf's "%f" of the value, locale-independent.
QByteArray sixDecimals(float value)
{
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, 6);
    return QByteArray(buffer.data(), result.ptr - buffer.data());
}

} // namespace

bool MatlabHelper::startDetached(const MatlabCommand &command)
{
    if (QProcess::startDetached(command.program, command.arguments, command.workingDirectory))
        return true;
    qWarning() << "Could not start MATLAB" << command.program;
    return false;
}

MatlabHelper::MatlabHelper(Settings settings)
    : m_folder(ApplicationFolders::instance().subFolder(ApplicationFolders::ProgramDataFolder, kFolderName))
    , m_launch(settings.launch ? std::move(settings.launch) : Launcher(&MatlabHelper::startDetached))
{
    // std::thread throws std::system_error (resource unavailable) when it cannot start.
    m_worker = std::thread([this] { commandWorker(); });
    findInstallations(settings.installationRoots.value_or(MatlabLocator::configuredRoots()));
    if (m_folder)
        readToolchainVersions();
}

MatlabHelper::~MatlabHelper()
{
    {
        std::lock_guard lock(m_queueLock);
        m_running = false;
        m_queue.clear();
    }
    m_queueChanged.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

QString MatlabHelper::folderPath() const
{
    return m_folder ? m_folder->absolutePath() : QString();
}

void MatlabHelper::findInstallations(const QStringList &roots)
{
    QMap<QByteArray, QString> found;
    for (const QString &folder : MatlabLocator::installationFolders(roots))
        addInstallationPath(found, MatlabLocator::executable(folder));
    for (QString &root : found)
        root = MatlabLocator::executable(root);
    std::lock_guard lock(m_tablesLock);
    m_installations = found;
}

void MatlabHelper::addInstallationPath(QMap<QByteArray, QString> &installations, const QString &path)
{
    const qsizetype releaseAt = path.indexOf(QLatin1String("/R20"));
    if (releaseAt < 0)
        return;
    // Releases keep their support packages below a ProgramData folder on some systems.
    if (path.contains(QLatin1String("/ProgramData/")))
        return;
    const QString root = path.left(releaseAt + 7);
    const QByteArray release = path.mid(releaseAt + 1, 6).toLocal8Bit();
    QByteArray version;
    try {
        version = readableMatlabVersion(release);
    } catch (const std::exception &error) {
        qDebug() << error.what();
        return;
    }
    if (!installations.contains(version))
        installations.insert(version, root);
}

QByteArray MatlabHelper::readableMatlabVersion(const QByteArray &release)
{
    if (release.size() <= 5 || !release.contains("R20"))
        throw std::invalid_argument("Unkown readable MATLAB type");
    const int year = leadingNumber(release.mid(3, 2));
    const char letter = release.at(5);
    float version = 0;
    if (year >= 16)
        version = 9.005f + float(year - 16) * 0.02f;
    else if (year >= 12)
        version = 8.005f + float(year - 12) * 0.02f;
    else if (year >= 6)
        version = 7.025f + float(year - 6) * 0.02f;
    else
        throw std::invalid_argument("Unkown readable MATLAB type");
    if (letter == 'b')
        version += 0.01f;
    return sixDecimals(version).left(4);
}

QByteArray MatlabHelper::matlabVersionNumber(const QByteArray &version)
{
    if (version.isEmpty() || version.size() > 5)
        throw std::invalid_argument("Unkown MATLAB version");
    const float value = readFloat(version) + 0.001f;
    int half = 0;
    int year = 0;
    if (value >= 9.0f) {
        half = int((value - 9.0f) * 100.0f);
        year = half / 2 + 16;
    } else if (value >= 8.0f) {
        half = int((value - 8.0f) * 100.0f);
        year = half / 2 + 12;
    } else if (value >= 7.02f) {
        half = int((value - 7.02f) * 100.0f);
        year = half / 2 + 6;
    } else {
        throw std::invalid_argument("Unkown MATLAB version");
    }
    QByteArray release("R20");
    if (year < 10)
        release += '0';
    release += QByteArray::number(year);
    release += (half % 2 == 1) ? 'b' : 'a';
    return release;
}

std::optional<QByteArray> MatlabHelper::versionOfVersionFile(const QString &fileName)
{
    const QByteArray name = QFile::encodeName(fileName);
    if (name.size() <= 4 || !name.contains(".json"))
        return std::nullopt;
    const qsizetype first = name.indexOf('_');
    const qsizetype last = name.lastIndexOf('_');
    if (first < 0)
        return std::nullopt;
    const int major = leadingNumber(name.mid(first + 1));
    const int minor = leadingNumber(name.mid(last + 1));
    QByteArray version = QByteArray::number(major) + '.';
    if (minor <= 9)
        version += '0';
    return version + QByteArray::number(minor);
}

void MatlabHelper::readToolchainVersions()
{
    QMap<QByteArray, QByteArray> versions;
    QDir folder = *m_folder;
    if (folder.cd(QLatin1String(kVersionFolderName))) {
        for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted)) {
            if (name.size() <= 4 || !name.contains(QLatin1String(".json")))
                continue;
            const std::optional<QByteArray> matlabVersion = versionOfVersionFile(name);
            std::string toolchainVersion;
            try {
                if (!matlabVersion)
                    throw std::invalid_argument("no version in the file name");
                std::ifstream file(QFile::encodeName(folder.filePath(name)).toStdString(), std::ios::binary);
                if (!file)
                    throw std::invalid_argument("unreadable");
                // One JSON value; what follows it is not looked at.
                nlohmann::json document;
                file >> document;
                toolchainVersion = document.at("ToolchainVersion").get<std::string>();
            } catch (const std::exception &) {
                qDebug() << "Could not parse version file" << name;
                continue;
            }
            if (!versions.contains(*matlabVersion))
                versions.insert(*matlabVersion, QByteArray::fromStdString(toolchainVersion));
        }
    }
    std::lock_guard lock(m_tablesLock);
    m_toolchainVersions = versions;
}

int MatlabHelper::installToolchain(const QByteArray &matlabVersion, const QByteArray &startFolder,
                                   const QByteArray &toolchainVersion)
{
    const int result = runMatlab(matlabVersion, kInstallStatement, startFolder);
    if (result == 0) {
        std::lock_guard lock(m_tablesLock);
        if (!m_pendingToolchains.contains(matlabVersion))
            m_pendingToolchains.insert(matlabVersion, toolchainVersion);
    }
    return result;
}

int MatlabHelper::uninstallToolchain(const QByteArray &matlabVersion, const QByteArray &startFolder)
{
    {
        std::lock_guard lock(m_tablesLock);
        if (!m_installations.contains(matlabVersion))
            qDebug().noquote() << "No MATLAB installation with version " + QString::fromLocal8Bit(matlabVersion)
                                      + " available";
    }
    const int result = runMatlab(matlabVersion, kUninstallStatement, startFolder);
    if (result == 0) {
        std::lock_guard lock(m_tablesLock);
        if (!m_pendingToolchains.contains(matlabVersion))
            m_pendingToolchains.insert(matlabVersion, QByteArray());
    }
    return result;
}

void MatlabHelper::completeInstallation(const QByteArray &matlabVersion, int progress, int flags, bool isUninstall)
{
    std::lock_guard lock(m_tablesLock);
    const auto pending = m_pendingToolchains.constFind(matlabVersion);
    QByteArray toolchainVersion;
    if (pending == m_pendingToolchains.constEnd())
        qDebug().noquote() << "No pending installation with version " + QString::fromLocal8Bit(matlabVersion);
    else
        toolchainVersion = pending.value();
    // Flag 2 is a note from the toolchain, not a failure.
    if (progress != 100 || (flags & ~2) != 0)
        return;
    if (isUninstall)
        m_toolchainVersions.remove(matlabVersion);
    else
        m_toolchainVersions.insert(matlabVersion, toolchainVersion);
    m_pendingToolchains.remove(matlabVersion);
}

int MatlabHelper::runMatlab(const QByteArray &matlabVersion, const QByteArray &statement, const QByteArray &startFolder)
{
    QString program;
    {
        std::lock_guard lock(m_tablesLock);
        program = m_installations.value(matlabVersion);
    }
    if (program.isEmpty()) {
        qInfo().noquote() << "No MATLAB installation with version " + QString::fromLocal8Bit(matlabVersion)
                                 + " available";
        return -1;
    }
    const QString folder = QFile::decodeName(startFolder);
    MatlabCommand command{program,
                          {QStringLiteral("-sd"), folder, QStringLiteral("-r"), QString::fromLatin1(statement),
                           QStringLiteral("-nosplash")},
                          folder};
    {
        std::lock_guard lock(m_queueLock);
        m_queue.push_back(std::move(command));
    }
    m_queueChanged.notify_one();
    return 0;
}

std::optional<MatlabCommand> MatlabHelper::takeCommand()
{
    std::unique_lock lock(m_queueLock);
    m_queueChanged.wait(lock, [this] { return !m_queue.empty() || !m_running; });
    if (!m_running)
        return std::nullopt;
    MatlabCommand command = std::move(m_queue.front());
    m_queue.pop_front();
    return command;
}

// The helper's own thread: one command at a time, in the order queued.
void MatlabHelper::commandWorker()
{
    while (std::optional<MatlabCommand> command = takeCommand()) {
        qDebug() << "Starting MATLAB:" << command->program << command->arguments;
        m_launch(*command);
    }
}

QMap<QByteArray, QString> MatlabHelper::installations() const
{
    std::lock_guard lock(m_tablesLock);
    return m_installations;
}

QMap<QByteArray, QByteArray> MatlabHelper::toolchainVersions() const
{
    std::lock_guard lock(m_tablesLock);
    return m_toolchainVersions;
}

QMap<QByteArray, QByteArray> MatlabHelper::pendingToolchains() const
{
    std::lock_guard lock(m_tablesLock);
    return m_pendingToolchains;
}
