#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

// Hands a file that the user chose in a file dialog to whoever takes files of its
// kind, by its suffix (in any letter case): application binaries (.apb, .elf,
// .hapbf) and firmware files (.feb, .fwb). Other files are logged and dropped.
class FileDialogHandler : public QObject
{
    Q_OBJECT

public:
    // The keys are the suffixes.
    enum DataTypes { none = 0, apb = 1, elf = 2, hapbf = 3, feb = 4, fwb = 5, last = 6 };
    Q_ENUM(DataTypes)

    explicit FileDialogHandler(QObject *parent = nullptr);

    Q_INVOKABLE void fileDialogUrlReceived(const QUrl &url);

signals:
    void ApbFileReceived(QString binPath);
    void ElfFileReceived(QString binPath);
    void HapbfFileReceived(QString binPath);
    void FebFileReceived(QString binPath);
    void FwbFileReceived(QString binPath);
};
