#pragma once

#include <QString>
#include <QStringList>

// Where MATLAB is installed on this machine. MATLAB's Linux installer puts each
// release in a folder named after it (R2023a) below a common root, /usr/local/MATLAB
// unless the user chose another one; the release's program is <folder>/bin/matlab.
namespace MatlabLocator {

// A list of roots separated by ":" that replaces the usual ones.
inline constexpr char kRootsVariable[] = "HALVORA_MATLAB_ROOTS";

// The roots that MATLAB's installer offers: /usr/local/MATLAB and /opt/MATLAB.
QStringList usualRoots();

// The roots of HALVORA_MATLAB_ROOTS when it is set, else the usual ones.
QStringList configuredRoots();

// The release folders (named R, four digits and a letter, such as R2023a) directly
// below each root, or the root itself when it is one, that hold an executable
// bin/matlab: absolute and clean paths, roots in the given order, each root's
// folders by name.
QStringList installationFolders(const QStringList &roots);

// <installation folder>/bin/matlab.
QString executable(const QString &installationFolder);

} // namespace MatlabLocator
