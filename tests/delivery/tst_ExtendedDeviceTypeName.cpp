#include "ExtendedDeviceTypeName.h"

#include <QTest>

#include <limits>

// The names a board's extended device type is shown by; the device-log list stores
// them in its files, so each must stay exactly as it is.
class tst_ExtendedDeviceTypeName : public QObject
{
    Q_OBJECT

private slots:
    void nameOfEveryValue_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("name");
        for (int shield = 0; shield <= 9; ++shield)
            QTest::addRow("shield %d", shield) << shield << "Zelto Exploration";
        const QList<std::pair<int, const char *>> named = {{10, "Zelto Industrial"},
                                                           {11, "NXP evaluation kit"},
                                                           {12, "Zelto Development board"},
                                                           {13, "Tavrin"},
                                                           {15, "Zelto Rugged"},
                                                           {16, "Bexlin"},
                                                           {17, "Zelto CES"},
                                                           {18, "Tavrin v1.3"},
                                                           {19, "Tavrin v1.2"},
                                                           {20, "Tavrin v1.2.1"},
                                                           {21, "Tavrin v1.4"},
                                                           {22, "Kiro v1.0"},
                                                           {256, "Kestra test extension"}};
        for (const auto &[value, name] : named)
            QTest::addRow("%d", value) << value << name;
        for (const int unknown :
             {-1, 14, 23, 255, 257, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()})
            QTest::addRow("unknown %d", unknown) << unknown << "Unknown device";
    }
    void nameOfEveryValue()
    {
        QFETCH(int, value);
        QFETCH(QString, name);
        QCOMPARE(extendedDeviceTypeName(value), name);
    }
};

QTEST_GUILESS_MAIN(tst_ExtendedDeviceTypeName)
#include "tst_ExtendedDeviceTypeName.moc"
