// The running mode's mark over the main window, for each mode.
#include "AbstractNotification.h"
#include "ErrorHandler.h"
#include "Halvora.h"

#include <QApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

class tst_Watermark : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qmlRegisterUncreatableType<ErrorHandler>("com.ostrel", 1, 0, "ErrorHandler", QString());
        qmlRegisterUncreatableType<AbstractNotification>("com.ostrel", 1, 0, "AbstractNotification", QString());
        qmlRegisterUncreatableMetaObject(halvora::staticMetaObject, "com.ostrel", 1, 0, "Halvora", QString());
    }

    void markByMode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("shown");
        QTest::newRow("develop") << 1 << QStringLiteral("Develop Mode");
        QTest::newRow("manufacturing") << 2 << QStringLiteral("Manufacturing Mode");
        QTest::newRow("release") << 3 << QString();
    }

    void markByMode()
    {
        QFETCH(int, mode);
        QFETCH(QString, shown);
        QQmlApplicationEngine engine;
        engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
        ErrorHandler notifications;
        engine.rootContext()->setContextProperty(QStringLiteral("Notifications"), &notifications);
        engine.rootContext()->setContextProperty(QStringLiteral("RELEASE_MODE"), mode);
        engine.load(QUrl(QStringLiteral("qrc:/Qml/Main.qml")));
        QCOMPARE(engine.rootObjects().size(), 1);
        auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().constFirst());
        QVERIFY(window);

        QStringList visibleMarks;
        QList<QQuickItem *> items{window->contentItem()};
        for (qsizetype i = 0; i < items.size(); ++i)
            items.append(items.at(i)->childItems());
        for (const QQuickItem *item : items) {
            const QString text = item->property("text").toString();
            if ((text == QLatin1String("Develop Mode") || text == QLatin1String("Manufacturing Mode"))
                && item->isVisible())
                visibleMarks.append(text);
        }
        QCOMPARE(visibleMarks, shown.isEmpty() ? QStringList() : QStringList{shown});
        QMetaObject::invokeMethod(window, "releaseFocus");
    }
};

// The main window's tray icon needs the widgets application, as in the program.
QTEST_MAIN(tst_Watermark)

#include "tst_Watermark.moc"
