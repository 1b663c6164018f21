#include "DeviceSettings.h"
#include "HwSettingsGUI.h"
#include "TestBytes.h"

#include <QPointer>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QTest>

#include <cstring>
#include <memory>

namespace {

// A record with a field between two guard areas: whatever a row writes must stay
// inside the field.
struct GuardedField
{
    static constexpr qsizetype Guard = 16;

    explicit GuardedField(qsizetype fieldSize, QByteArrayView initial = {})
        : bytes(pattern(Guard + fieldSize + Guard, 3))
        , size(fieldSize)
    {
        std::memset(field(), 0, size_t(size));
        if (!initial.isEmpty())
            std::memcpy(field(), initial.data(), size_t(initial.size()));
    }
    char *field() { return bytes.data() + Guard; }
    QByteArray fieldBytes() const { return bytes.mid(Guard, size); }
    bool guardsIntact() const
    {
        const QByteArray original = pattern(Guard + size + Guard, 3);
        return bytes.left(Guard) == original.left(Guard) && bytes.right(Guard) == original.right(Guard);
    }

    QByteArray bytes;
    qsizetype size;
};

// An editor that only records what its tab asks of it, and how its rows stood then.
class RecordingEditor : public DeviceSettings
{
public:
    RecordingEditor(QObject *parent, HwSettingsGUI *gui)
        : DeviceSettings(parent, nullptr, gui)
    {
        connect(gui, &HwSettingsGUI::Apply, this, &RecordingEditor::applySettings, Qt::QueuedConnection);
        connect(gui, &HwSettingsGUI::Refresh, this, &RecordingEditor::refresh, Qt::QueuedConnection);
    }
    void applySettings(int tabRef) override { applied << tabRef << (watched ? watched->getFieldState() : -1); }
    void refresh(int tabRef) override { refreshed << tabRef << (watched ? watched->getFieldState() : -1); }
    void querySettings(int) override {}

    QPointer<HwSetting> watched;
    QList<int> applied;
    QList<int> refreshed;
};

} // namespace

// The rows, tabs and container of the hardware settings: how an edit is stored in its
// field and judged, how states and their signals move, and how tabs are built, applied
// and emptied.
class tst_HwSettingsModel : public QObject
{
    Q_OBJECT

    HwSettingsGUI m_gui{nullptr};

    HwSettingsTab *freshTab() { return m_gui.getTab(m_gui.addTab(QStringLiteral("Rows"))); }

private slots:
    void cleanup() { m_gui.deleteAllTabs(); }

    void ipAddressTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("empty") << "" << true << hex("00000000");
        QTest::newRow("zero address") << "0.0.0.0" << true << hex("00000000");
        QTest::newRow("private") << "192.168.1.10" << true << hex("c0a8010a");
        QTest::newRow("broadcast part") << "10.0.0.255" << true << hex("0a0000ff");
        QTest::newRow("three parts") << "1.2.3" << false << hex("00000000");
        QTest::newRow("five parts") << "1.2.3.4.5" << false << hex("00000000");
        QTest::newRow("over 255") << "1.2.3.256" << false << hex("00000000");
        QTest::newRow("negative") << "1.2.3.-1" << false << hex("00000000");
        QTest::newRow("zero written twice") << "1.2.3.00" << false << hex("00000000");
        QTest::newRow("empty part") << "1..2.3" << false << hex("00000000");
        QTest::newRow("not numbers") << "a.b.c.d" << false << hex("00000000");
        QTest::newRow("blank part") << "1.2.3. " << false << hex("00000000");
    }
    // What a typed address leaves in its 4 bytes, and whether the row accepts it.
    void ipAddressTexts()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QByteArray, stored);
        GuardedField record(4, hex("7f000001"));
        HwSetting *row = freshTab()->addIpAddressSetting("Static IP", reinterpret_cast<uint8_t *>(record.field()),
                                                         nullptr, nullptr);
        QCOMPARE(row->getStringValue(), QString("127.0.0.1"));
        QCOMPARE(row->isValueValid(text), valid);

        row->editingTextChanged(text);
        QCOMPARE(record.fieldBytes(), stored);
        QVERIFY(record.guardsIntact());
        QCOMPARE(row->getStringValue(), text); // shown as typed
        QCOMPARE(row->getFieldState(), valid ? HwSetting::Changed : HwSetting::Error);
    }

    // An address field holding 0 shows nothing, not "0.0.0.0".
    void unsetAddressShowsEmpty()
    {
        GuardedField record(4);
        HwSetting *row = freshTab()->addIpAddressSetting("Gateway", reinterpret_cast<uint8_t *>(record.field()),
                                                         nullptr, nullptr);
        QCOMPARE(row->getStringValue(), QString());
        row->editingTextChanged("");
        QCOMPARE(row->getFieldState(), HwSetting::Unchanged);
    }

    void textBounds_data()
    {
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<QString>("text");
        QTest::addColumn<HwSetting::FieldState>("state");
        QTest::addColumn<QByteArray>("stored");          // the field's bytes up to its end
        const QString e = QString::fromUtf8("\xC3\xA9"); // two bytes in UTF-8
        QTest::newRow("31 of 32") << 32 << QString(31, 'a') << HwSetting::Changed
                                  << zeroFilled(QByteArray(31, 'a'), 32);
        QTest::newRow("32 of 32 keeps the NUL")
            << 32 << QString(32, 'a') << HwSetting::Error << zeroFilled(QByteArray(31, 'a'), 32);
        QTest::newRow("37 of 32") << 32 << QString(37, 'b') << HwSetting::Error << zeroFilled(QByteArray(31, 'b'), 32);
        QTest::newRow("63 of 64") << 64 << QString(63, 'c') << HwSetting::Changed
                                  << zeroFilled(QByteArray(63, 'c'), 64);
        QTest::newRow("69 of 64") << 64 << QString(69, 'c') << HwSetting::Error << zeroFilled(QByteArray(63, 'c'), 64);
        QTest::newRow("15 two-byte characters")
            << 32 << e.repeated(15) << HwSetting::Changed << zeroFilled(e.repeated(15).toUtf8(), 32);
        QTest::newRow("16 two-byte characters are 32 bytes")
            << 32 << e.repeated(16) << HwSetting::Error << zeroFilled(e.repeated(15).toUtf8(), 32);
        QTest::newRow("cut before a split character")
            << 32 << QString(30, 'x') + e << HwSetting::Error << zeroFilled(QByteArray(30, 'x'), 32);
        QTest::newRow("non-ASCII") << 32 << QString::fromUtf8("Z\xC3\xBCrich \xCE\xA9") << HwSetting::Changed
                                   << zeroFilled("Z\xC3\xBCrich \xCE\xA9", 32);
        QTest::newRow("empty clears the old text") << 32 << QString() << HwSetting::Changed << QByteArray(32, '\0');
    }
    // A text never leaves its buffer, keeps its NUL, and leaves no tail of the text
    // that stood there before; a text that does not fit is refused.
    void textBounds()
    {
        QFETCH(int, maxLength);
        QFETCH(QString, text);
        QFETCH(HwSetting::FieldState, state);
        QFETCH(QByteArray, stored);
        GuardedField record(maxLength, QByteArray(maxLength - 1, 'q'));
        HwSetting *row = freshTab()->addStringSetting("SSID", record.field(), maxLength, false, nullptr, nullptr);
        QCOMPARE(row->getStringValue(), QString(maxLength - 1, 'q'));

        row->editingTextChanged(text);
        QCOMPARE(record.fieldBytes(), stored);
        QVERIFY(record.guardsIntact());
        QCOMPARE(row->getFieldState(), state);
        QCOMPARE(row->getStringValue(), QString::fromUtf8(stored.constData())); // what the field holds now
    }

    // A buffer the board filled to its end shows its bytes and no more.
    void bufferWithoutNulStopsAtItsEnd()
    {
        GuardedField record(8, "ABCDEFGH");
        HwSetting *row = freshTab()->addStringSetting("Name", record.field(), 8, false, nullptr, nullptr);
        QCOMPARE(row->getStringValue(), QString("ABCDEFGH"));
    }

    void passwordLength_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("7 characters") << "Password"
                                      << "1234567" << false;
        QTest::newRow("empty") << "Password"
                               << "" << false;
        QTest::newRow("8 characters") << "Password"
                                      << "12345678" << true;
        QTest::newRow("63 characters") << "Password" << QString(63, 'p') << true;
        QTest::newRow("8 non-ASCII characters") << "Password" << QString::fromUtf8("\xC3\xA9").repeated(8) << true;
        QTest::newRow("another name, empty") << "SSID"
                                             << "" << true;
        QTest::newRow("another name, short") << "SSID"
                                             << "ab" << true;
    }
    void passwordLength()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(bool, valid);
        GuardedField record(64);
        HwSetting *row = freshTab()->addStringSetting(name, record.field(), 64, true, nullptr, nullptr);
        QCOMPARE(row->isValueValid(text), valid);
    }

    // Changed and back announces the pending state twice; a further valid edit while
    // changed announces nothing.
    void pendingStateSignals()
    {
        GuardedField record(32, "abc");
        HwSettingsTab *tab = freshTab();
        HwSetting *row = tab->addStringSetting("SSID", record.field(), 32, false, nullptr, nullptr);
        QSignalSpy pending(row, &HwSetting::ValuePendingChanged);
        QSignalSpy states(row, &HwSetting::FieldStateChanged);
        QSignalSpy tabPending(tab, &HwSettingsTab::PendingStateChanged);

        row->editingTextChanged("abcd");
        QCOMPARE(row->getFieldState(), HwSetting::Changed);
        QVERIFY(tab->property("pendingChanges").toBool());
        row->editingTextChanged("abcde");
        QCOMPARE(pending.count(), 1);
        row->editingTextChanged("abc");
        QCOMPARE(row->getFieldState(), HwSetting::Unchanged);
        QCOMPARE(pending.count(), 2);
        QCOMPARE(states.count(), 2);
        QCOMPARE(tabPending.count(), 2);
        QVERIFY(!tab->property("pendingChanges").toBool());
        QCOMPARE(record.fieldBytes(), zeroFilled("abc", 32));

        // Changed to refused and back: the error state shows on the tab.
        row->editingTextChanged(QString(40, 'x'));
        QCOMPARE(row->getFieldState(), HwSetting::Error);
        QVERIFY(tab->property("valueErrorState").toBool());
        QCOMPARE(pending.count(), 2);
    }

    // A switch toggled away and back is unchanged, with its byte as it was.
    void switchAwayAndBack()
    {
        GuardedField record(1, hex("01"));
        HwSetting *row = freshTab()->addBoolSetting("Hidden SSID", reinterpret_cast<uint8_t *>(record.field()), nullptr,
                                                    nullptr);
        QVERIFY(row->boolPosition());
        QSignalSpy pending(row, &HwSetting::ValuePendingChanged);
        row->boolValueUpdated(false);
        QCOMPARE(row->getFieldState(), HwSetting::Changed);
        QCOMPARE(record.fieldBytes(), hex("00"));
        row->boolValueUpdated(false); // the same position again
        QCOMPARE(pending.count(), 1);
        row->boolValueUpdated(true);
        QCOMPARE(row->getFieldState(), HwSetting::Unchanged);
        QCOMPARE(record.fieldBytes(), hex("01"));
        QCOMPARE(pending.count(), 2);
        QVERIFY(record.guardsIntact());
    }

    void numbers_data()
    {
        QTest::addColumn<HwSetting::Type>("type");
        QTest::addColumn<double>("minValue");
        QTest::addColumn<double>("maxValue");
        QTest::addColumn<QString>("text");
        QTest::addColumn<HwSetting::FieldState>("state");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("int8 in range") << HwSetting::Int8 << -10.0 << 10.0 << "-7" << HwSetting::Changed << hex("f9")
                                       << "-7";
        QTest::newRow("int8 out of range")
            << HwSetting::Int8 << -10.0 << 10.0 << "11" << HwSetting::Error << hex("0b") << "11";
        QTest::newRow("uint8 cut to its width")
            << HwSetting::Uint8 << 0.0 << 1000.0 << "300" << HwSetting::Changed << hex("2c") << "44";
        QTest::newRow("int16") << HwSetting::Int16 << -1000.0 << 1000.0 << "-2" << HwSetting::Changed << hex("feff")
                               << "-2";
        QTest::newRow("uint16") << HwSetting::Uint16 << 0.0 << 65535.0 << "40000" << HwSetting::Changed << hex("409c")
                                << "40000";
        QTest::newRow("int32 unparsable is 0, in range")
            << HwSetting::Int32 << -5.0 << 5.0 << "x" << HwSetting::Changed << hex("00000000") << "0";
        QTest::newRow("int32 unparsable is 0, out of range")
            << HwSetting::Int32 << 1.0 << 5.0 << "x" << HwSetting::Error << hex("00000000") << "0";
        QTest::newRow("uint32 high") << HwSetting::Uint32 << 0.0 << 4294967295.0 << "4000000000" << HwSetting::Changed
                                     << hex("0028 6bee") << "4000000000";
        QTest::newRow("float") << HwSetting::Float << 0.0 << 10.0 << "2.5" << HwSetting::Changed << hex("00002040")
                               << "2.5";
        QTest::newRow("float out of range")
            << HwSetting::Float << 0.0 << 10.0 << "12" << HwSetting::Error << hex("00004041") << "12";
    }
    // Numbers are parsed, cut to their width, shown and checked against their range.
    void numbers()
    {
        QFETCH(HwSetting::Type, type);
        QFETCH(double, minValue);
        QFETCH(double, maxValue);
        QFETCH(QString, text);
        QFETCH(HwSetting::FieldState, state);
        QFETCH(QByteArray, stored);
        QFETCH(QString, shown);
        GuardedField record(stored.size());
        auto *row = new HwSetting(freshTab(), "Number", type, record.field(), nullptr, nullptr, minValue, maxValue);
        QCOMPARE(row->getStringValue(), QString("0"));
        row->editingTextChanged(text);
        QCOMPARE(record.fieldBytes(), stored);
        QVERIFY(record.guardsIntact());
        QCOMPARE(row->getStringValue(), shown);
        QCOMPARE(row->getFieldState(), state);
    }

    // A validation rule of the editor refuses a text the row would take; linked rows
    // are judged again when one of them is edited.
    void validationAndLinkedRows()
    {
        GuardedField first(4);
        GuardedField second(4);
        HwSettingsTab *tab = freshTab();
        // Both or neither.
        const HwSetting::ValidationCallback bothOrNeither = [](void *userData, HwSetting *setting, QString &message) {
            const auto *rows = static_cast<QList<HwSetting *> *>(userData);
            const bool anySet = std::any_of(rows->cbegin(), rows->cend(),
                                            [](const HwSetting *row) { return !row->getStringValue().isEmpty(); });
            if (anySet && setting->getStringValue().isEmpty()) {
                message = "both or neither";
                return false;
            }
            return true;
        };
        QList<HwSetting *> rows;
        rows << tab->addIpAddressSetting("A", reinterpret_cast<uint8_t *>(first.field()), bothOrNeither, &rows);
        rows << tab->addIpAddressSetting("B", reinterpret_cast<uint8_t *>(second.field()), bothOrNeither, &rows);
        for (HwSetting *row : rows)
            row->setLinkedSettings(rows);

        rows[0]->editingTextChanged("10.0.0.1");
        QCOMPARE(rows[0]->getFieldState(), HwSetting::Changed);
        QCOMPARE(rows[1]->getFieldState(), HwSetting::Error);
        QVERIFY(tab->property("valueErrorState").toBool());
        rows[1]->editingTextChanged("10.0.0.2");
        QCOMPARE(rows[1]->getFieldState(), HwSetting::Changed);
        rows[0]->editingTextChanged("");
        QCOMPARE(rows[0]->getFieldState(), HwSetting::Error);
        rows[1]->editingTextChanged("");
        QCOMPARE(rows[0]->getFieldState(), HwSetting::Unchanged);
        QCOMPARE(rows[1]->getFieldState(), HwSetting::Unchanged);
        QVERIFY(!tab->property("valueErrorState").toBool());
    }

    // addTab reuses a listed tab of the same name, emptied; a new name gets the next
    // reference; unknown references add nothing.
    void tabsByName()
    {
        QSignalSpy tabs(&m_gui, &HwSettingsGUI::TabsChanged);
        QCOMPARE(m_gui.addTab("Zelto"), 0);
        GuardedField record(32);
        QVERIFY(m_gui.addStringSetting(0, "Name", record.field(), 32, false, nullptr, nullptr));
        QCOMPARE(m_gui.getTab(0)->settingsList().size(), 1);
        QSignalSpy rows(m_gui.getTab(0), &HwSettingsTab::SettingsChanged);

        QCOMPARE(m_gui.addTab("Zelto"), 0);
        QCOMPARE(m_gui.getTab(0)->settingsList().size(), 0);
        QCOMPARE(rows.count(), 1);
        QCOMPARE(m_gui.addTab("zelto"), 1); // names are case-sensitive
        QCOMPARE(tabs.count(), 2);
        QCOMPARE(m_gui.getTab(2), nullptr);
        QCOMPARE(m_gui.getTab(-1), nullptr);
        QCOMPARE(m_gui.addSectionName(2, "Nowhere"), nullptr);
        QCOMPARE(m_gui.addBoolSetting(-1, "Nowhere", nullptr, nullptr, nullptr), nullptr);
    }

    // What the screen sees: the tabs of the container, the rows of a tab in order, and
    // their properties and enumerations.
    void rowsAsQmlSeesThem()
    {
        GuardedField record(32, "Bench");
        const int tabRef = m_gui.addTab("Zelto");
        m_gui.addSectionName(tabRef, "General settings");
        m_gui.addStringSetting(tabRef, "Name", record.field(), 32, false, nullptr, nullptr);
        QQmlEngine engine;
        engine.rootContext()->setContextProperty("HardwareSettings", &m_gui);
        QQmlComponent component(&engine);
        component.setData("import QtQml\nimport com.ostrel 1.0\nQtObject {\n"
                          "    property var tab: HardwareSettings.settingsTabs[0]\n"
                          "    property int tabs: HardwareSettings.settingsTabs.length\n"
                          "    property int rows: tab.settings.length\n"
                          "    property string name: tab.settings[1].name\n"
                          "    property string value: tab.settings[1].stringValue\n"
                          "    property bool isText: tab.settings[1].type === HwSetting.String\n"
                          "    property bool unchanged: tab.settings[1].fieldState === HwSetting.Unchanged\n"
                          "}\n",
                          QUrl("qrc:/rows.qml"));
        std::unique_ptr<QObject> object(component.create());
        QVERIFY2(object, qPrintable(component.errorString()));
        QCOMPARE(object->property("tabs").toInt(), 1);
        QCOMPARE(object->property("rows").toInt(), 2);
        QCOMPARE(object->property("name").toString(), QString("Name"));
        QCOMPARE(object->property("value").toString(), QString("Bench"));
        QVERIFY(object->property("isText").toBool());
        QVERIFY(object->property("unchanged").toBool());
    }

    // Rows taken off a list let go of their fields at once and are deleted later, so a
    // late edit from the screen writes nowhere.
    void clearedRowsLetGoOfTheirFields()
    {
        GuardedField record(32, "kept");
        HwSettingsTab *tab = freshTab();
        QPointer<HwSetting> row = tab->addStringSetting("SSID", record.field(), 32, false, nullptr, nullptr);
        QSignalSpy settings(tab, &HwSettingsTab::SettingsChanged);
        m_gui.deleteAllTabs();
        QVERIFY(m_gui.property("settingsTabs").value<SettingsTabsList>().isEmpty());
        QCOMPARE(settings.count(), 1);
        QVERIFY(row);
        QVERIFY(!row->isBound());
        row->editingTextChanged("overwritten");
        QCOMPARE(record.fieldBytes(), zeroFilled("kept", 32));
        QTRY_VERIFY(!row);
    }

    // The editor hears Apply and Refresh while the changed row is still changed; only
    // afterwards does the row accept (or drop) its edit.
    void applyAndRefreshReachTheEditorFirst()
    {
        GuardedField record(32, "old");
        RecordingEditor editor(nullptr, &m_gui);
        const int tabRef = m_gui.addTab("Zelto");
        HwSettingsTab *tab = m_gui.getTab(tabRef);
        HwSetting *row = tab->addStringSetting("SSID", record.field(), 32, false, nullptr, nullptr);
        editor.watched = row;

        row->editingTextChanged("new");
        tab->applySettings();
        QCOMPARE(row->getFieldState(), HwSetting::Changed);
        QTRY_COMPARE(editor.applied, QList<int>({tabRef, HwSetting::Changed}));
        QTRY_COMPARE(row->getFieldState(), HwSetting::Unchanged);
        QCOMPARE(row->getStringValue(), QString("new"));
        row->editingTextChanged("new");
        QCOMPARE(row->getFieldState(), HwSetting::Unchanged); // the accepted text moved

        row->editingTextChanged("newer");
        tab->refresh();
        QTRY_COMPARE(editor.refreshed, QList<int>({tabRef, HwSetting::Changed}));
        QTRY_COMPARE(row->getFieldState(), HwSetting::Unchanged);
        QCOMPARE(row->getStringValue(), QString("new"));
        editor.detach();
    }
};

QTEST_GUILESS_MAIN(tst_HwSettingsModel)
#include "tst_HwSettingsModel.moc"
