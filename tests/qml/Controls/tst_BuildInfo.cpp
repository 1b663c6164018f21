#include "BuildInfo.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QTest>

#include <memory>

class tst_BuildInfo : public QObject
{
    Q_OBJECT

private slots:
    void parsesTheCompilersText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("two-digit day") << "Nov 12 2024 11:45:45" << QDateTime(QDate(2024, 11, 12), QTime(11, 45, 45));
        QTest::newRow("day padded with a blank")
            << "Nov  2 2024 11:45:45" << QDateTime(QDate(2024, 11, 2), QTime(11, 45, 45));
        QTest::newRow("leap day at midnight") << "Feb 29 2028 00:00:00" << QDateTime(QDate(2028, 2, 29), QTime(0, 0));
        QTest::newRow("no time") << "Nov 12 2024" << QDateTime();
        QTest::newRow("not a month") << "Foo 12 2024 11:45:45" << QDateTime();
        QTest::newRow("no such day") << "Feb 30 2024 11:45:45" << QDateTime();
        QTest::newRow("empty") << "" << QDateTime();
    }

    void parsesTheCompilersText()
    {
        QFETCH(QString, text);
        QFETCH(QDateTime, expected);
        const QDateTime parsed = BuildInfo::parseBuildText(text);
        QCOMPARE(parsed.isValid(), expected.isValid());
        if (expected.isValid()) {
            QCOMPARE(parsed, expected);
            QCOMPARE(parsed.timeSpec(), Qt::LocalTime);
        }
    }

    // QML reads the build's own date and time from the singleton, one instance per engine.
    void qmlSeesTheBuildTime()
    {
        const QDateTime built = BuildInfo::parseBuildText(BuildInfo::buildText());
        QVERIFY2(built.isValid(), qPrintable(BuildInfo::buildText()));
        QVERIFY(built <= QDateTime::currentDateTime().addSecs(60));

        QQmlEngine engine;
        engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
        QQmlComponent component(&engine);
        component.setData("import QtQml\n"
                          "import ostrel.Controls\n"
                          "QtObject {\n"
                          "    property date built: BuildInfo.buildDateTime\n"
                          "    property int year: BuildInfo.buildDateTime.getFullYear()\n"
                          "    property var first: BuildInfo\n"
                          "    property var second: BuildInfo\n"
                          "}",
                          QUrl());
        std::unique_ptr<QObject> object(component.create());
        QVERIFY2(object, qPrintable(component.errorString()));
        QCOMPARE(object->property("built").toDateTime(), built);
        QCOMPARE(object->property("year").toInt(), built.date().year());
        QCOMPARE(object->property("first").value<QObject *>(), object->property("second").value<QObject *>());
    }
};

QTEST_MAIN(tst_BuildInfo)
#include "tst_BuildInfo.moc"
