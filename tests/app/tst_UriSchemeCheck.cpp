#include "UriSchemeCheck.h"
#include "UriSchemeRegistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A registry that holds one opener: none, or a program path.
class FakeRegistry final : public UriSchemeRegistry
{
public:
    explicit FakeRegistry(QString opener)
        : m_opener(std::move(opener))
    {
    }
    bool isSchemeRegistered(const QString &) const override { return !m_opener.isNull(); }
    bool isRegisteredToApplication(const QString &, const QString &applicationPath) const override
    {
        return m_opener == applicationPath;
    }
    bool install(const QString &, const QString &, QString *) override { return false; }

private:
    QString m_opener;
};

} // namespace

// The start-up check: the helper is started when nobody, or somebody else, opens the
// scheme's links, and not when this program does.
class tst_UriSchemeCheck : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;

    QString helperPath() const { return m_folder.filePath("DetachedHelper"); }
    QString argumentsFile() const { return m_folder.filePath("arguments"); }

    // The helper's arguments, one a line, once it has written them.
    QStringList helperArguments() const
    {
        QFile file(argumentsFile());
        if (!QTest::qWaitFor([&] { return file.exists() && file.size() > 0; }, 5000) || !file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

private slots:
    void init()
    {
        QFile::remove(argumentsFile());
        QFile helper(helperPath());
        QVERIFY(helper.open(QIODevice::WriteOnly));
        helper.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + QFile::encodeName(argumentsFile())
                     + ".part\"\n"
                       "mv \""
                     + QFile::encodeName(argumentsFile()) + ".part\" \"" + QFile::encodeName(argumentsFile()) + "\"\n");
        helper.close();
        QVERIFY(helper.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    void registration_data()
    {
        QTest::addColumn<QString>("opener"); // null: none
        QTest::addColumn<QString>("info");   // empty: nothing is done
        const QString program = "/opt/halvora/bin/halvora-lab";
        QTest::newRow("none") << QString()
                              << "There is no handler installed. Installing this application as the handler";
        QTest::newRow("another program") << "/usr/bin/other"
                                         << "Another program is installed as the handler";
        QTest::newRow("our path in another letter case") << "/opt/Halvora/bin/halvora-lab"
                                                         << "Another program is installed as the handler";
        QTest::newRow("this program") << program << QString();
    }
    void registration()
    {
        QFETCH(QString, opener);
        QFETCH(QString, info);
        const QString program = "/opt/halvora/bin/halvora-lab";
        if (info.isEmpty())
            QTest::failOnWarning(QRegularExpression(".*"));
        else
            QTest::ignoreMessage(QtInfoMsg, qPrintable(info));
        halvora::startup::checkUriScheme(FakeRegistry(opener), "halvora", program, helperPath());
        if (info.isEmpty()) {
            QTest::qWait(300);
            QVERIFY(!QFile::exists(argumentsFile()));
        } else {
            QCOMPARE(helperArguments(),
                     (QStringList{"--command", "installscheme", "--scheme", "halvora", "--application", program}));
        }
    }

    void missingHelperIsOnlyLogged()
    {
        QTest::ignoreMessage(QtInfoMsg, "There is no handler installed. Installing this application as the handler");
        QTest::ignoreMessage(QtWarningMsg, "Could not register the halvora URI handler");
        halvora::startup::checkUriScheme(FakeRegistry(QString()), "halvora", "/opt/halvora/bin/halvora-lab",
                                         m_folder.filePath("missing/DetachedHelper"));
    }

    void helperLiesBesideTheProgram()
    {
        QCOMPARE(halvora::startup::uriSchemeHelperPath(), QCoreApplication::applicationDirPath() + "/DetachedHelper");
    }
};

QTEST_GUILESS_MAIN(tst_UriSchemeCheck)
#include "tst_UriSchemeCheck.moc"
