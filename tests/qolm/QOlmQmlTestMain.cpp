// The QML test runner of the object list: the generic list of plain objects under
// the name the program gives it, and a list of the test element class.
// First: QtQuickTest reads QUICK_TEST_SOURCE_DIR as it is included.
#include "HalvoraTestPaths.h"
#include "QOlm.h"
#include "TestElements.h"

#include <QQmlEngine>
#include <QtQuickTest>

class QOlmQmlTestSetup : public QObject
{
    Q_OBJECT

public slots:
    void applicationAvailable()
    {
        qmlRegisterType<qolm::QOlm<QObject>>("com.ostrel", 1, 0, "QtObjectList");
        qmlRegisterType<qolm::QOlm<Element>>("HalvoraTest.QOlm", 1, 0, "ElementList");
        qmlRegisterType<Element>("HalvoraTest.QOlm", 1, 0, "Element");
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        engine->addImportPath(QStringLiteral(HALVORA_QML_IMPORT_DIR));
    }
};

QUICK_TEST_MAIN_WITH_SETUP(qolm_qml, QOlmQmlTestSetup)

#include "QOlmQmlTestMain.moc"
