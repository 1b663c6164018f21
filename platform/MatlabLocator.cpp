#include "MatlabLocator.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

bool isReleaseFolderName(const QString &name)
{
    static const QRegularExpression release(QStringLiteral("^R\\d{4}[ab]$"));
    return release.match(name).hasMatch();
}

bool holdsMatlab(const QString &folder)
{
    const QFileInfo program(MatlabLocator::executable(folder));
    return program.isFile() && program.isExecutable();
}

} // namespace

namespace MatlabLocator {

QStringList usualRoots()
{
    return {QStringLiteral("/usr/local/MATLAB"), QStringLiteral("/opt/MATLAB")};
}

QStringList configuredRoots()
{
    if (!qEnvironmentVariableIsSet(kRootsVariable))
        return usualRoots();
    return qEnvironmentVariable(kRootsVariable).split(QLatin1Char(':'), Qt::SkipEmptyParts);
}

QStringList installationFolders(const QStringList &roots)
{
    QStringList folders;
    const auto add = [&folders](const QString &folder) {
        if (holdsMatlab(folder) && !folders.contains(folder))
            folders.append(folder);
    };
    for (const QString &root : roots) {
        const QDir rootDir(root);
        if (!rootDir.exists())
            continue;
        const QString rootPath = QDir::cleanPath(rootDir.absolutePath());
        if (isReleaseFolderName(rootDir.dirName())) {
            add(rootPath);
            continue;
        }
        const QStringList names = rootDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString &name : names) {
            if (isReleaseFolderName(name))
                add(rootPath + QLatin1Char('/') + name);
        }
    }
    return folders;
}

QString executable(const QString &installationFolder)
{
    return installationFolder + QStringLiteral("/bin/matlab");
}

} // namespace MatlabLocator
