#include "FileIo.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class tst_FileIo : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    FileIo m_io;

    QUrl urlOf(const QString &name) const { return QUrl::fromLocalFile(m_folder.filePath(name)); }

private slots:
    void initTestCase() { QVERIFY(m_folder.isValid()); }

    void writeReadAndDelete()
    {
        const QUrl url = urlOf(QStringLiteral("round trip.bin"));
        const QByteArray data("first\0second", 12);
        m_io.writeToFile(url, data);
        QCOMPARE(m_io.readFromFile(url), data);

        m_io.writeToFile(url, "short"); // the file is truncated, not overlaid
        QCOMPARE(m_io.readFromFile(url), QByteArray("short"));

        m_io.deleteFile(url);
        QVERIFY(!QFile::exists(url.toLocalFile()));
    }

    void failures()
    {
        const QUrl missing = urlOf(QStringLiteral("missing.bin"));
        QTest::ignoreMessage(QtWarningMsg, "Couldn't open path file.");
        QCOMPARE(m_io.readFromFile(missing), QByteArray());

        QTest::ignoreMessage(QtWarningMsg, "Couldn't open path file.");
        m_io.writeToFile(urlOf(QStringLiteral("no folder/file.bin")), "data");
        QVERIFY(!QFileInfo::exists(m_folder.filePath(QStringLiteral("no folder"))));

        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("^Couldn't delete file  QUrl\\(\".*missing.bin\"\\)$")));
        m_io.deleteFile(missing);
    }

    // Temporary files are made here, unpredictable and exclusively ours.
    void temporaryFiles()
    {
        const QString tempFolder = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
        QVERIFY(tempFolder.startsWith(qEnvironmentVariable("HALVORA_TEST_ROOT")));
        const QRegularExpression name(QStringLiteral("^HalvoraWayvane_[0-9]+$"));
        QSet<QString> seen;
        for (int i = 0; i < 20; ++i) {
            const QUrl url = m_io.tempFileUrl();
            QVERIFY(url.isLocalFile());
            const QFileInfo file(url.toLocalFile());
            QCOMPARE(file.absolutePath(), QDir(tempFolder).absolutePath());
            QVERIFY2(name.match(file.fileName()).hasMatch(), qPrintable(file.fileName()));
            QVERIFY(file.exists());
            QCOMPARE(file.size(), 0);
            QCOMPARE(file.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
                     QFile::Permissions());
            QVERIFY(!seen.contains(file.fileName()));
            seen.insert(file.fileName());
        }
        QCOMPARE(QDir(tempFolder).entryList({QStringLiteral("HalvoraWayvane_*")}, QDir::Files).size(), 20);

        const QUrl url = m_io.tempFileUrl();
        m_io.writeToFile(url, "payload");
        QCOMPARE(m_io.readFromFile(url), QByteArray("payload"));
    }

    void noTemporaryFileWhereNoneCanBeMade()
    {
        const QByteArray before = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(m_folder.filePath(QStringLiteral("gone/deeper"))));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Couldn't create a temporary file in")));
        const QUrl url = m_io.tempFileUrl();
        qputenv("TMPDIR", before);
        QVERIFY(url.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_FileIo)
#include "tst_FileIo.moc"
