#include "BrandingPlugin.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QTest>
#include <QTextLayout>

#include <memory>

// The fonts come into the font database when a QML engine first imports the
// module. A font the build could not fetch is missing from the resources; its
// checks are skipped, as the program then falls back to a system font.
class tst_BrandingFonts : public QObject
{
    Q_OBJECT

private:
    static bool built(const QString &file) { return QFile::exists(QStringLiteral(":/fonts/") + file); }

private slots:
    void initTestCase()
    {
        QVERIFY2(!QFontDatabase::families().contains(QStringLiteral("Poppins")),
                 "the family must come from the module, not from the system");
        QQmlEngine engine;
        engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
        QQmlComponent component(&engine);
        component.setData(
            "import QtQuick\nimport ostrel.Branding\nQtObject { property color c: OstrelColors.accentColor }", QUrl());
        std::unique_ptr<QObject> object(component.create());
        QVERIFY2(object, qPrintable(component.errorString()));
    }

    void everyFontFileIsInTheList()
    {
        const QStringList files = ostrel_BrandingPlugin::fontFiles();
        QCOMPARE(files.first(), QStringLiteral(":/fonts/MaterialSymbolsRounded.ttf"));
        for (const char *family : {"Poppins", "Raleway"})
            QCOMPARE(files.filter(QStringLiteral(":/fonts/%1-").arg(QLatin1String(family))).size(), 18);
    }

    void familyResolves_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("weight");
        QTest::addColumn<QString>("styleName");

        QTest::newRow("Poppins") << "Poppins-Regular.ttf"
                                 << "Poppins" << int(QFont::Normal) << "Regular";
        QTest::newRow("Poppins Light by weight") << "Poppins-Light.ttf"
                                                 << "Poppins" << int(QFont::Light) << "Light";
        QTest::newRow("Poppins SemiBold by name") << "Poppins-SemiBold.ttf"
                                                  << "Poppins SemiBold" << int(QFont::Normal) << "SemiBold";
        QTest::newRow("Raleway") << "Raleway-Regular.ttf"
                                 << "Raleway" << int(QFont::Normal) << "Regular";
        QTest::newRow("Raleway bold") << "Raleway-Bold.ttf"
                                      << "Raleway" << int(QFont::Bold) << "Bold";
        QTest::newRow("Raleway Thin by name") << "Raleway-Thin.ttf"
                                              << "Raleway Thin" << int(QFont::Normal) << "Thin";
        QTest::newRow("Playfair Display") << "PlayfairDisplay-Regular.ttf"
                                          << "Playfair Display" << int(QFont::Normal) << "Regular";
        QTest::newRow("Material Symbols Rounded") << "MaterialSymbolsRounded.ttf"
                                                  << "Material Symbols Rounded" << int(QFont::Normal) << "Regular";
    }
    void familyResolves()
    {
        QFETCH(QString, file);
        QFETCH(QString, family);
        QFETCH(int, weight);
        QFETCH(QString, styleName);
        if (!built(file))
            QSKIP("this font could not be fetched when the program was built");
        QVERIFY(QFontDatabase::families().contains(family));
        QFont font(family);
        font.setWeight(QFont::Weight(weight));
        const QFontInfo info(font);
        QCOMPARE(info.family(), family);
        QCOMPARE(info.styleName(), styleName);
    }

    // The icon font draws an icon's name as one glyph, a ligature.
    void iconNamesBecomeOneGlyph()
    {
        if (!built(QStringLiteral("MaterialSymbolsRounded.ttf")))
            QSKIP("the icon font could not be fetched when the program was built");
        for (const QString &icon : {QStringLiteral("close"), QStringLiteral("terminal")}) {
            QTextLayout layout(icon, QFont(QStringLiteral("Material Symbols Rounded")));
            layout.beginLayout();
            layout.createLine();
            layout.endLayout();
            qsizetype glyphs = 0;
            for (const QGlyphRun &run : layout.glyphRuns())
                glyphs += run.glyphIndexes().size();
            QCOMPARE(glyphs, qsizetype(1));
        }
    }

    void brandingImages_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        QTest::newRow("footer logo") << ":/images/logo/Ostrel_Footer_logo.svg" << QSize(330, 60);
        QTest::newRow("wordmark") << ":/images/logo/registered/Ostrel_Wordmark_black.svg" << QSize(270, 52);
        QTest::newRow("three bars") << ":/images/UIAssets/3-bars.svg" << QSize(55, 35);
    }
    void brandingImages()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        QImageReader reader(path);
        QVERIFY2(reader.canRead(), qPrintable(reader.errorString()));
        QCOMPARE(reader.size(), size);
        QVERIFY(!reader.read().isNull());
    }

    // Last: it starts from an empty set of application fonts.
    void aMissingFileIsSkippedWithOneWarning()
    {
        if (!built(QStringLiteral("Raleway-Thin.ttf")) || !built(QStringLiteral("Poppins-Thin.ttf")))
            QSKIP("the fonts of this check could not be fetched when the program was built");
        QVERIFY(QFontDatabase::removeAllApplicationFonts());
        QVERIFY(!QFontDatabase::families().contains(QStringLiteral("Raleway Thin")));

        const QString missing = QStringLiteral(":/fonts/Missing-Regular.ttf");
        QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("Failed to load font \"%1\"").arg(missing)));
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        ostrel_BrandingPlugin::loadFonts({QStringLiteral(":/fonts/Raleway-Thin.ttf"), missing,
                                          QStringLiteral(":/fonts/Poppins-Thin.ttf")});
        const QStringList families = QFontDatabase::families();
        QVERIFY(families.contains(QStringLiteral("Raleway Thin")));
        QVERIFY(families.contains(QStringLiteral("Poppins Thin")));
        QVERIFY(!families.contains(QStringLiteral("Poppins SemiBold")));
    }
};

QTEST_MAIN(tst_BrandingFonts)
#include "tst_BrandingFonts.moc"
