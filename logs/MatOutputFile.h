#pragma once

#include "OutputPathClaim.h"

#include <QString>

#include <string>

struct _mat_t;

// A MAT-file (version 7.3) being written. It is written under a temporary name beside
// the final one and takes the final name only when commit() succeeds; otherwise it is
// closed and deleted, so no partial file is ever found under the final name.
class MatOutputFile
{
public:
    // Throws std::runtime_error "Could not open file" when the file cannot be created,
    // or when another conversion is writing the same file.
    explicit MatOutputFile(const std::string &path);
    ~MatOutputFile();
    MatOutputFile(const MatOutputFile &) = delete;
    MatOutputFile &operator=(const MatOutputFile &) = delete;

    _mat_t *handle() const { return m_mat; }
    const QString &temporaryPath() const { return m_temporaryPath; }

    // Closes the file and moves it to its final name; throws on failure.
    void commit();

private:
    void discard();

    OutputPathClaim m_claim;
    QString m_temporaryPath;
    _mat_t *m_mat = nullptr;
    bool m_committed = false;
};
