#include "main_Application.h"

#include <QApplication>
#include <QFontDatabase>
#include <QQmlComponent>
#include <QTest>

#include <memory>

// The application's own engine finds the support modules that the screens import.
class tst_ApplicationModules : public QObject
{
    Q_OBJECT

private slots:
    void theApplicationImportsTheSupportModules()
    {
        main_Application app(nullptr, qApp);
        QQmlComponent component(&app.engine());
        component.setData("import QtQuick\n"
                          "import ostrel.Util\n"
                          "import ostrel.Branding\n"
                          "import ostrel.Controls\n"
                          "Item {\n"
                          "    property color accent: OstrelColors.accentColor\n"
                          "    property bool built: BuildInfo.buildDateTime.getFullYear() > 2000\n"
                          "    Button { text: \"OK\" }\n"
                          "    property string cache: paths.getCachePath()\n"
                          "    StandardPaths { id: paths }\n"
                          "    CachedLoader { id: loader }\n"
                          "}",
                          QUrl());
        std::unique_ptr<QObject> item(component.create());
        QVERIFY2(item, qPrintable(component.errorString()));
        QCOMPARE(item->property("accent").value<QColor>(), QColor(61, 177, 153));
        QVERIFY(!item->property("cache").toString().isEmpty());
        QVERIFY(item->property("built").toBool());
        if (QFile::exists(QStringLiteral(":/fonts/Poppins-Regular.ttf")))
            QVERIFY(QFontDatabase::families().contains(QStringLiteral("Poppins")));
    }

    void theApplicationOffersTheRobotModules()
    {
        main_Application app(nullptr, qApp);
        QQmlComponent component(&app.engine());
        component.setData("import QtQml\n"
                          "import ostrel.Resources\n"
                          "import ostrel.SceneDescription\n"
                          "MapContext {\n"
                          "    property int mapKind: RobotResourceType.Map\n"
                          "    property real east: Scene.coordinate(3, 4, 0).length()\n"
                          "}",
                          QUrl());
        std::unique_ptr<QObject> item(component.create());
        QVERIFY2(item, qPrintable(component.errorString()));
        QCOMPARE(item->property("mapKind").toInt(), 5);
        QCOMPARE(item->property("east").toDouble(), 5.0);
    }
};

QTEST_MAIN(tst_ApplicationModules)
#include "tst_ApplicationModules.moc"
