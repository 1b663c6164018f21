#include "MatOutputFile.h"

#include <QFile>
#include <QTemporaryFile>

#include <matio.h>

#include <cstdio>
#include <stdexcept>

MatOutputFile::MatOutputFile(const std::string &path) : m_claim(QString::fromStdString(path))
{
    // Reserve a unique name in the target folder so that the final rename stays on
    // one file system.
    QTemporaryFile reserved(m_claim.path() + QStringLiteral(".XXXXXX.part"));
    reserved.setAutoRemove(false);
    if (path.empty() || !reserved.open())
        throw std::runtime_error("Could not open file");
    m_temporaryPath = reserved.fileName();
    reserved.close();

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
