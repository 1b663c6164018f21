#include "QObjectDeleter.h"
#include "QmlSharedPointer.h"

#include <QJSEngine>
#include <QMetaType>
#include <QPointer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QTest>

class tst_QmlSharedPointer : public QObject
{
    Q_OBJECT

private:
    static void collect(QJSEngine &engine)
    {
        engine.collectGarbage();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private slots:
    // The module's plugin registers the pointer types when a QML engine first
    // imports it; nothing here has asked for them before.
    void importingTheModuleRegistersThePointerTypes()
    {
        QVERIFY(!QMetaType::fromName("ostrel::unique_qptr<QObject>").isValid());
        QQmlEngine engine;
        engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
        QQmlComponent component(&engine);
        component.setData("import QtQuick\nimport ostrel.Util\nItem {}", QUrl());
        std::unique_ptr<QObject> item(component.create());
        QVERIFY2(item, qPrintable(component.errorString()));

        const QMetaType unique = QMetaType::fromName("ostrel::unique_qptr<QObject>");
        QVERIFY(unique.isValid());
        QCOMPARE(QByteArray(unique.name()), QByteArray("std::unique_ptr<QObject,ostrel::QObjectDeleter>"));
        QVERIFY(QMetaType::fromName("std::shared_ptr<QObject>").isValid());
    }

    void theDeleterDefersDeletion()
    {
        QPointer<QObject> object = new QObject;
        ostrel::QObjectDeleter()(nullptr); // nothing to release
        {
            ostrel::unique_qptr<QObject> owner(object.data());
        }
        QVERIFY(object);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!object);
    }

    // QML may drop its holders and its references to the object: the object lives
    // as long as a share of it does, and goes by deferred deletion with the last.
    void theObjectLivesAsLongAsItsShares()
    {
        QJSEngine engine;
        QPointer<QObject> object = new QObject;
        object->setObjectName(QStringLiteral("robot"));
        ostrel::shared_qptr<QObject> share(object.data(), ostrel::QObjectDeleter());

        QPointer<QObject> holder = QmlSharedPointer::create(&engine, share);
        QCOMPARE(QJSEngine::objectOwnership(holder), QJSEngine::JavaScriptOwnership);
        QCOMPARE(share.use_count(), 2);

        engine.globalObject().setProperty(QStringLiteral("holder"), engine.newQObject(holder));
        QJSValue name = engine.evaluate(QStringLiteral("var o = holder.getObject(); o.objectName"));
        QCOMPARE(name.toString(), QStringLiteral("robot"));
        QCOMPARE(QJSEngine::objectOwnership(object), QJSEngine::CppOwnership);

        engine.evaluate(QStringLiteral("o = null; holder = null;"));
        engine.globalObject().deleteProperty(QStringLiteral("holder"));
        engine.globalObject().deleteProperty(QStringLiteral("o"));
        for (int i = 0; i < 3 && holder; ++i)
            collect(engine);
        QVERIFY(!holder);
        QVERIFY(object);
        QCOMPARE(share.use_count(), 1);

        share.reset();
        QVERIFY(object);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!object);
    }

    void aHolderWithoutEngineIsNotHandedToJavaScript()
    {
        auto object = std::make_shared<QObject>();
        std::unique_ptr<QObject> holder(QmlSharedPointer::create(nullptr, object));
        QCOMPARE(QJSEngine::objectOwnership(holder.get()), QJSEngine::CppOwnership);
        QCOMPARE(static_cast<QmlSharedPointer *>(holder.get())->sharedObject(), object);
        QCOMPARE(object.use_count(), 2);
        holder.reset();
        QCOMPARE(object.use_count(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_QmlSharedPointer)
#include "tst_QmlSharedPointer.moc"
