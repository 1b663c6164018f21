#include "FileDialogHandler.h"

#include <QDebug>
#include <QMetaEnum>

FileDialogHandler::FileDialogHandler(QObject *parent)
    : QObject(parent)
{
}

void FileDialogHandler::fileDialogUrlReceived(const QUrl &url)
{
    const QString path = url.toLocalFile();
    // The text after the last "." (the whole path when there is none), so a dot in a
    // folder name gives a suffix with a "/" that no kind matches.
    const QString suffix = path.mid(path.lastIndexOf(QLatin1Char('.')) + 1).toLower();

    const QMetaEnum kinds = QMetaEnum::fromType<DataTypes>();
    DataTypes kind = none;
    for (int value = none; value < last; ++value) {
        if (suffix == QLatin1String(kinds.valueToKey(value))) {
            kind = DataTypes(value);
            break;
        }
    }
    switch (kind) {
    case apb:
        emit ApbFileReceived(path);
        break;
    case elf:
        emit ElfFileReceived(path);
        break;
    case hapbf:
        emit HapbfFileReceived(path);
        break;
    case feb:
        emit FebFileReceived(path);
        break;
    case fwb:
        emit FwbFileReceived(path);
        break;
    case none:
    case last:
        qDebug() << "Unrecognised file imported";
        break;
    }
}
