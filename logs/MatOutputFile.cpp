#include "MatOutputFile.h"

#include <QFile>
#include <QRandomGenerator>

#include <matio.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Makes a new, empty file of a unique name beside target and returns its name; empty
// when none can be made. The file is made as any new file of the user is (0666 under
// the umask), so that the MAT-file has the permissions the user expects of it.
QString reserveTemporaryFile(const QString &target)
{
    for (int attempt = 0; attempt < 64; ++attempt) {
        const QString name =
            target + QStringLiteral(".%1.part").arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
        const int fd = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST)
            break;
    }
    return QString();
}

} // namespace

MatOutputFile::MatOutputFile(const std::string &path)
    : m_claim(QString::fromStdString(path))
{
    // Beside the final name, so that the final rename stays on one file system.
    if (!path.empty())
        m_temporaryPath = reserveTemporaryFile(m_claim.path());
    if (m_temporaryPath.isEmpty())
        throw std::runtime_error("Could not open file");

    m_mat = Mat_CreateVer(QFile::encodeName(m_temporaryPath).constData(), nullptr, MAT_FT_MAT73);
    if (!m_mat) {
        QFile::remove(m_temporaryPath);
        throw std::runtime_error("Could not open file");
    }
}

MatOutputFile::~MatOutputFile()
{
    if (!m_committed)
        discard();
}

void MatOutputFile::discard()
{
    if (m_mat)
        Mat_Close(m_mat);
    m_mat = nullptr;
    QFile::remove(m_temporaryPath);
}

void MatOutputFile::commit()
{
    const int closed = Mat_Close(m_mat);
    m_mat = nullptr;
    if (closed != MATIO_E_NO_ERROR)
        throw std::runtime_error("Could not write file");
    // rename() replaces an older file of the final name in one step.
    if (std::rename(QFile::encodeName(m_temporaryPath).constData(), QFile::encodeName(m_claim.path()).constData()) != 0)
        throw std::runtime_error("Could not write file");
    m_committed = true;
}
