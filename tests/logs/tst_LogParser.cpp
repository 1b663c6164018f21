#include <QTest>
class tst_LogParser : public QObject { Q_OBJECT };
QTEST_APPLESS_MAIN(tst_LogParser)
#include "tst_LogParser.moc"
