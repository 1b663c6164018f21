#include "SemanticVersion.h"

#include <QTest>

Q_DECLARE_METATYPE(SemanticVersion)

class tst_SemanticVersion : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<SemanticVersion>("expected");
        QTest::newRow("three numbers") << "1.4.2" << SemanticVersion{1, 4, 2};
        QTest::newRow("two numbers") << "1.4" << SemanticVersion{1, 4, 0};
        QTest::newRow("one number is no version") << "3" << SemanticVersion{};
        QTest::newRow("words around it") << "release 2.7.1+build5" << SemanticVersion{2, 7, 1};
        QTest::newRow("pre-release suffix") << "1.4.2-rc1" << SemanticVersion{1, 4, 2};
        QTest::newRow("first match wins") << "v10.20.30 then 4.5.6" << SemanticVersion{10, 20, 30};
        QTest::newRow("more than three numbers") << "1.2.3.4" << SemanticVersion{1, 2, 3};
        QTest::newRow("leading zeros") << "01.002.0003" << SemanticVersion{1, 2, 3};
        QTest::newRow("too large for an int") << "99999999999.1.2" << SemanticVersion{0, 1, 2};
        QTest::newRow("empty") << "" << SemanticVersion{};
        QTest::newRow("no digits") << "Undefined" << SemanticVersion{};
        QTest::newRow("non-ASCII digits are not numbers") << QString::fromUtf8("١.٢.٣") << SemanticVersion{};
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(SemanticVersion, expected);
        const SemanticVersion parsed = SemanticVersion::parse(text);
        QCOMPARE(parsed.major, expected.major);
        QCOMPARE(parsed.minor, expected.minor);
        QCOMPARE(parsed.patch, expected.patch);
    }

    // Parsing into a version only overwrites the numbers it finds.
    void parseKeepsFieldsItDoesNotFind()
    {
        SemanticVersion version{7, 8, 9};
        SemanticVersion::parse(QStringLiteral("1.2"), version);
        QVERIFY(version == (SemanticVersion{1, 2, 9}));
        SemanticVersion::parse(QStringLiteral("no version"), version);
        QVERIFY(version == (SemanticVersion{1, 2, 9}));
    }

    void compare_data()
    {
        QTest::addColumn<SemanticVersion>("a");
        QTest::addColumn<SemanticVersion>("b");
        QTest::addColumn<bool>("lower");
        QTest::newRow("equal") << SemanticVersion{1, 2, 3} << SemanticVersion{1, 2, 3} << false;
        QTest::newRow("higher minor, lower patch") << SemanticVersion{1, 3, 0} << SemanticVersion{1, 2, 9} << false;
        QTest::newRow("lower patch") << SemanticVersion{1, 2, 3} << SemanticVersion{1, 2, 4} << true;
        QTest::newRow("numeric, not textual") << SemanticVersion{1, 4, 2} << SemanticVersion{1, 10, 0} << true;
        QTest::newRow("major decides") << SemanticVersion{1, 99, 99} << SemanticVersion{2, 0, 0} << true;
        QTest::newRow("higher major") << SemanticVersion{3, 0, 0} << SemanticVersion{2, 9, 9} << false;
    }
    void compare()
    {
        QFETCH(SemanticVersion, a);
        QFETCH(SemanticVersion, b);
        QFETCH(bool, lower);
        QCOMPARE(SemanticVersion::compare(a, b), lower);
    }
};

QTEST_APPLESS_MAIN(tst_SemanticVersion)
#include "tst_SemanticVersion.moc"
