#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QObject>
#include <QSharedPointer>
#include <QString>

#include <optional>

class ElfImage;

// Turns the ELF image of an application file into the upload image a board takes
// (UploadImageLayout.h): the header, one record per program header, and the segment
// data. When the image has a section named ".appinfo", its address is the number of
// bytes cut from the front of the first segment.
//
// Sizes and offsets from the ELF file are checked before they are used: a segment
// that runs past the file or overlaps the ELF file header, an image without a
// loadable segment, a cut larger than the first segment, or an image beyond
// upload_image::kMaximumSize gives no image. Main thread or any other; no state.
class AppBinTools : public QObject
{
    Q_OBJECT

public:
    explicit AppBinTools(QObject *parent = nullptr);

    // The upload image of the ELF image that starts `headerLength` bytes into the
    // file, in a buffer open for reading and writing and positioned at its end; null
    // when the image cannot be loaded or built (the reason is logged).
    QSharedPointer<QBuffer> prepareBinary(const QString &path, const QString &baseVersion, quint32 flags,
                                          qint32 headerLength);

    // The upload image of a loaded ELF image; nothing, with the reason in `error`,
    // when it cannot be built.
    static std::optional<QByteArray> buildUploadImage(const ElfImage &elf, const QString &baseVersion, quint32 flags,
                                                      QString *error = nullptr);
};
