#include <QTest>
class tst_LogFileRobustness : public QObject { Q_OBJECT };
QTEST_APPLESS_MAIN(tst_LogFileRobustness)
#include "tst_LogFileRobustness.moc"
