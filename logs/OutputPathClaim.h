#pragma once

#include <QString>

// Marks a file as being written by one conversion of this process. A second claim of
// the same file fails until the first is released, so two conversions never write
// one file at the same time.
class OutputPathClaim
{
public:
    // Throws std::runtime_error when another conversion holds the file.
    explicit OutputPathClaim(const QString &path);
    ~OutputPathClaim();
    OutputPathClaim(const OutputPathClaim &) = delete;
    OutputPathClaim &operator=(const OutputPathClaim &) = delete;

    const QString &path() const { return m_path; }

    static QString normalised(const QString &path);

private:
    QString m_path;
};
