#pragma once

#include "AppFileHeader.h"
#include "SoftwareUpdate.h"

#include <QBuffer>
#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QObject>
#include <QSharedPointer>
#include <QString>

// One application binary of the binary list: a ".hapbf" file in the binaries folder,
// made of an AppFileHeader and the unchanged ELF image behind it.
//
// Made from a bare ELF file, it writes a new application file into the folder; made
// from an application file elsewhere, it copies that file in (and brings an old
// header up to version 3). It keeps four user tags in the header, tells whether the
// binary fits the connected board, and on flashAppFile() has the upload image built
// and hands it on with FlashAppBinSignal.
//
// The connected board's firmware number (-1 while unknown), target-type index (0 while
// unknown) and build ID are references to values its owner keeps current; the owner
// outlives its files. Header rewrites go to a temporary file that replaces the file
// only once it is complete. Main thread only.
class AppFile : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString fileName READ getFileName NOTIFY FileNameChanged)
    Q_PROPERTY(QString fileNameLowerCase READ getFileNameLowerCase CONSTANT)
    Q_PROPERTY(QString applicationName READ getApplicationName CONSTANT)
    Q_PROPERTY(QString fileSize READ getFileSize CONSTANT)
    Q_PROPERTY(qint64 fileSizeBytes READ getFileSizeBytes CONSTANT)
    Q_PROPERTY(QDateTime createDate READ getCreateDate CONSTANT)
    Q_PROPERTY(QString createDateString READ getCreateDateString CONSTANT)
    Q_PROPERTY(QString createTimeString READ getCreateTimeString CONSTANT)
    Q_PROPERTY(QString appVersionNumber READ getAppVersionNumber CONSTANT)
    Q_PROPERTY(QString baseAppVersionNumber READ getBaseAppVersionNumber CONSTANT)
    Q_PROPERTY(QString deviceType READ getDeviceType NOTIFY DeviceTypeChanged)
    Q_PROPERTY(bool appIsOnZelto READ getIsOnZelto NOTIFY IsOnZeltoChanged)
    Q_PROPERTY(bool appCanBeFlashed READ getCanBeFlashed NOTIFY CanBeFlashedChanged)
    Q_PROPERTY(float updateProgress READ getUpdateProgress NOTIFY UploadProgressChanged)
    Q_PROPERTY(bool selected READ getSelected WRITE setSelected NOTIFY selectedChanged)
    Q_PROPERTY(QString tag1 READ getTag1 WRITE setTag1 NOTIFY tag1Changed)
    Q_PROPERTY(QString tag2 READ getTag2 WRITE setTag2 NOTIFY tag2Changed)
    Q_PROPERTY(QString tag3 READ getTag3 WRITE setTag3 NOTIFY tag3Changed)
    Q_PROPERTY(QString tag4 READ getTag4 WRITE setTag4 NOTIFY tag4Changed)

public:
    AppFile(QObject *parent, const QString &sourceFile, const QString &appVersion, const QString &buildId,
            const QString &boardType, quint32 flags, const QString &destinationFolder,
            const qint32 &boardFirmwareNumber, const qint32 &boardTargetTypeIndex, const QByteArray &boardBuildId,
            bool selected = false);

    // True once the file was read or imported successfully.
    bool isValid() const { return m_valid; }

    QString filePath() const { return m_filePath; }
    QByteArray buildId() const { return m_buildId; }
    qint32 firmwareNumber() const { return m_firmwareNumber; }
    qint32 targetTypeIndex() const { return m_targetTypeIndex; }
    quint32 flags() const { return m_flags; }
    quint32 headerVersion() const { return m_headerVersion; }
    quint32 headerLength() const { return m_headerLength; }
    bool isUploading() const { return m_uploading; }

    // A version text as it may stand in a file name: the characters that a file name
    // cannot hold (/ \ : * ? " < > | and control characters) become "_".
    static QString fileNameSafe(const QString &text);
    // The size text of the list: whole GB, MB or KB, rounded, with no blank before the unit.
    static QString sizeText(qint64 bytes);

public slots:
    void flashAppFile();
    void deleteAppFile();
    void deleteWithoutNotify();
    void deleteAppFromList();
    void setFileName(const QString &newFileName);
    void setTag1(const QString &newTag) { setTag(0, newTag); }
    void setTag2(const QString &newTag) { setTag(1, newTag); }
    void setTag3(const QString &newTag) { setTag(2, newTag); }
    void setTag4(const QString &newTag) { setTag(3, newTag); }
    void setSelected(bool state);
    void uploadProgressUpdated(float progress);
    void uploadStateUpdated(SoftwareUpdate::UpdateState state);
    void connectedDeviceUpdated();

    QString getFileName() const { return m_fileName; }
    QString getFileNameLowerCase() const { return m_fileName.toLower(); }
    QString getApplicationName() const { return m_applicationName; }
    QString getFileSize() const { return sizeText(m_fileSizeBytes); }
    qint64 getFileSizeBytes() const { return m_fileSizeBytes; }
    QDateTime getCreateDate() const { return m_createDate; }
    QString getCreateDateString() const { return m_createDate.toString(QStringLiteral("dd-MM-yyyy")); }
    QString getCreateTimeString() const { return m_createDate.toString(QStringLiteral("hh:mm")); }
    QString getAppVersionNumber() const { return m_appVersionNumber; }
    QString getBaseAppVersionNumber() const { return m_baseAppVersionNumber; }
    QString getDeviceType() const { return appTargetTypeDisplayName(m_targetTypeIndex); }
    bool getIsOnZelto() const { return m_appIsOnZelto; }
    bool getCanBeFlashed() const;
    float getUpdateProgress() const { return m_updateProgress; }
    bool getSelected() const { return m_selected; }
    QString getTag1() const { return m_tags[0]; }
    QString getTag2() const { return m_tags[1]; }
    QString getTag3() const { return m_tags[2]; }
    QString getTag4() const { return m_tags[3]; }

signals:
    void RequestDelete(AppFile *self);
    void FlashAppBinSignal(AppFile *self, QSharedPointer<QBuffer> binData);
    void UploadProgressChanged(float progress);
    // The board accepted the uploaded binary.
    void uploadFinished();
    void FileNameChanged(QString fileName);
    void DeviceTypeChanged(QString deviceType);
    void IsOnZeltoChanged(bool isOnZelto);
    void CanBeFlashedChanged(bool canBeFlashed);
    void tag1Changed(QString tag);
    void tag2Changed(QString tag);
    void tag3Changed(QString tag);
    void tag4Changed(QString tag);
    void selectedChanged(bool state);

private:
    void referTo(const QString &path);
    bool importElf(const QString &destinationFolder);
    bool readHeader();
    bool copyInto(const QString &destinationFolder);
    bool rewriteHeader();
    AppFileHeader header() const;
    void setTag(int index, const QString &newTag);
    void emitTagChanged(int index);
    void refuseFlashing(const QString &message);
    void postImportFailed();

    QFile m_file;
    QString m_filePath;
    QString m_absolutePath;
    QString m_fileName;
    qint64 m_fileSizeBytes = 0;
    QString m_appVersionNumber;
    QString m_baseAppVersionNumber;
    QString m_applicationName;
    QDateTime m_createDate;
    QByteArray m_buildId;
    quint32 m_flags = 0;
    quint32 m_flagsLow = 0;
    qint32 m_firmwareNumber = 0;
    qint32 m_targetTypeIndex = 0;
    quint32 m_headerVersion = 0;
    quint32 m_headerLength = AppFileHeader::kCurrentLength;
    std::array<QString, 4> m_tags;
    bool m_selected = false;
    float m_updateProgress = 0;
    bool m_uploading = false;
    bool m_appIsOnZelto = false;
    bool m_valid = false;

    const qint32 &m_boardFirmwareNumber;
    const qint32 &m_boardTargetTypeIndex;
    const QByteArray &m_boardBuildId;
};
