#include <QTest>
class tst_LogConverter : public QObject { Q_OBJECT };
QTEST_APPLESS_MAIN(tst_LogConverter)
#include "tst_LogConverter.moc"
