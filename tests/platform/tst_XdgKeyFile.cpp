#include "XdgKeyFile.h"

#include <QTest>

// Reading and editing the key files that other programs share with us, and the
// quoting of desktop-entry Exec lines.
class tst_XdgKeyFile : public QObject
{
    Q_OBJECT

private slots:
    void values_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value"); // invalid: no value
        const QString list = QStringLiteral("[Added Associations]\nx-scheme-handler/halvora=other.desktop\n\n"
                                            "[Default Applications]\n# x-scheme-handler/halvora=commented.desktop\n"
                                            "text/plain=editor.desktop\r\n"
                                            "x-scheme-handler/halvora = first.desktop;second.desktop;\n"
                                            "x-scheme-handler/halvora=later.desktop\n");
        const QString group = QStringLiteral("Default Applications");
        QTest::newRow("the first in its own group, blanks around = ignored")
            << list << group << "x-scheme-handler/halvora" << QVariant("first.desktop;second.desktop;");
        QTest::newRow("a line ending in CR") << list << group << "text/plain" << QVariant("editor.desktop");
        QTest::newRow("only in another group") << list << "Removed Associations"
                                               << "x-scheme-handler/halvora" << QVariant();
        QTest::newRow("missing key") << list << group << "x-scheme-handler/http" << QVariant();
        QTest::newRow("escapes undone") << "[Desktop Entry]\nExec=\\s\"/a b\\\\c\" --x\\t%u\\n\\q\n"
                                        << "Desktop Entry"
                                        << "Exec" << QVariant(" \"/a b\\c\" --x\t%u\n\\q");
        QTest::newRow("a key of another locale is another key") << "[Desktop Entry]\nName[de]=Halvora\n"
                                                                << "Desktop Entry"
                                                                << "Name" << QVariant();
        QTest::newRow("empty file") << QString() << group << "x" << QVariant();
    }
    void values()
    {
        QFETCH(QString, text);
        QFETCH(QString, group);
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        const auto read = xdg::keyFileValue(text, group, key);
        QCOMPARE(read.has_value(), value.isValid());
        if (read)
            QCOMPARE(*read, value.toString());
    }

    void settingAValueKeepsEverythingElse_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        const QString line = QStringLiteral("x-scheme-handler/halvora=halvora-lab.desktop");
        QTest::newRow("no file") << QString() << "[Default Applications]\n" + line + "\n";
        QTest::newRow("other groups only, no final newline")
            << "[Added Associations]\ntext/plain=a.desktop"
            << "[Added Associations]\ntext/plain=a.desktop\n\n[Default Applications]\n" + line + "\n";
        QTest::newRow("replaced where it stands")
            << "# mine\n[Default Applications]\nx-scheme-handler/halvora=other.desktop;\ntext/plain=a.desktop\n"
            << "# mine\n[Default Applications]\n" + line + "\ntext/plain=a.desktop\n";
        QTest::newRow("added at the end of its group, before the blank lines")
            << "[Default Applications]\ntext/plain=a.desktop\n\n\n[Added Associations]\ntext/plain=a.desktop\n"
            << "[Default Applications]\ntext/plain=a.desktop\n" + line
                   + "\n\n\n[Added Associations]\ntext/plain=a.desktop\n";
        QTest::newRow("a commented line is not the key")
            << "[Default Applications]\n#x-scheme-handler/halvora=old.desktop\n"
            << "[Default Applications]\n#x-scheme-handler/halvora=old.desktop\n" + line + "\n";
    }
    void settingAValueKeepsEverythingElse()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        const QString written = xdg::withKeyFileValue(before, QStringLiteral("Default Applications"),
                                                      QStringLiteral("x-scheme-handler/halvora"),
                                                      QStringLiteral("halvora-lab.desktop"));
        QCOMPARE(written, after);
    }

    void execArguments_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain path, left unquoted for simple readers") << "/opt/halvora/bin/halvora-lab"
                                                                      << "/opt/halvora/bin/halvora-lab";
        QTest::newRow("blank") << "/home/a b/halvora-lab"
                               << "\"/home/a b/halvora-lab\"";
        QTest::newRow("characters escaped inside quotes") << "/x/\"q\"$HOME`id`\\y"
                                                          << "\"/x/\\\"q\\\"\\$HOME\\`id\\`\\\\y\"";
        QTest::newRow("other reserved characters") << "/x/it's;(1)&>"
                                                   << "\"/x/it's;(1)&>\"";
        QTest::newRow("percent doubled") << "/x/100%u"
                                         << "/x/100%%u";
        QTest::newRow("empty") << ""
                               << "\"\"";
        QTest::newRow("newline") << "/x/a\nb"
                                 << "\"/x/a\nb\"";
    }
    void execArguments()
    {
        QFETCH(QString, argument);
        QFETCH(QString, written);
        QCOMPARE(xdg::execArgument(argument), written);
        // Back through the key file and the Exec quoting, as a reader of the entry sees it.
        const QString file = xdg::withKeyFileValue({}, QStringLiteral("Desktop Entry"), QStringLiteral("Exec"),
                                                   written + QStringLiteral(" --uri %u"));
        const auto exec = xdg::keyFileValue(file, QStringLiteral("Desktop Entry"), QStringLiteral("Exec"));
        QVERIFY(exec);
        QCOMPARE(xdg::splitExec(*exec), (QStringList{argument, "--uri", "%u"}));
    }

    void execLinesOfOthers_data()
    {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("blanks and tabs") << "  firefox \t %u  " << QStringList{"firefox", "%u"};
        QTest::newRow("quoted with a blank")
            << "\"/opt/my app/run\" --new %U" << QStringList{"/opt/my app/run", "--new", "%U"};
        QTest::newRow("unknown escape inside quotes kept") << "\"a\\b\"" << QStringList{"a\\b"};
        QTest::newRow("empty") << "" << QStringList{};
    }
    void execLinesOfOthers()
    {
        QFETCH(QString, exec);
        QFETCH(QStringList, arguments);
        QCOMPARE(xdg::splitExec(exec), arguments);
    }

    void unbalancedQuote()
    {
        QCOMPARE(xdg::splitExec(QStringLiteral("\"/opt/app --uri %u")), std::nullopt);
        QCOMPARE(xdg::splitExec(QStringLiteral("\"/opt/app\\\"")), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(tst_XdgKeyFile)
#include "tst_XdgKeyFile.moc"
