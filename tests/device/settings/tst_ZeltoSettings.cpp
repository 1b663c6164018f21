#include "AbstractNotification.h"
#include "ErrorHandler.h"
#include "SettingsBoards.h"
#include "TestBytes.h"
#include "ZeltoSettings.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

namespace {

using C = ControlChannel;
using Record = C::WifiSettings;
const QList<uint16_t> kWifiCommands{C::SetWifiState,    C::GetWifiState,   C::SetWifiSettings,
                                    C::GetWifiSettings, C::SetWifiTxPower, C::GetWifiTxPower};

// A settings record of arbitrary bytes whose text fields hold short texts with
// arbitrary bytes after their NUL: every byte a row does not own must come back as
// it was.
QByteArray boardRecord()
{
    QByteArray record = randomBytes(Record::Size, 404);
    const auto text = [&](qsizetype offset, const QByteArray &value) {
        record.replace(offset, value.size() + 1, value + '\0');
    };
    text(Record::BoardName, "Bench");
    text(Record::StationSsid, "HomeNet");
    text(Record::StationPassword, "home-secret");
    text(Record::AccessPointSsid, "BenchAP");
    text(Record::AccessPointPassword, "ap-secret-1");
    record[Record::AccessPointHidden] = 0;
    return record;
}

QList<HostControlRequest> wifiRequestsSince(NetworkBoard *board, qsizetype from)
{
    QList<HostControlRequest> requests;
    const QList<HostControlRequest> &all = SettingsBoards::control(board)->requests();
    for (qsizetype i = from; i < all.size(); ++i)
        if (kWifiCommands.contains(all[i].command))
            requests << all[i];
    return requests;
}

QList<uint16_t> wifiCommandsSince(NetworkBoard *board, qsizetype from)
{
    QList<uint16_t> commands;
    for (const HostControlRequest &request : wifiRequestsSince(board, from))
        commands << request.command;
    return commands;
}

qsizetype requestCount(NetworkBoard *board)
{
    return SettingsBoards::control(board)->requests().size();
}

// The row of this name; occurrence counts rows of the same name from 0.
HwSetting *row(HwSettingsTab *tab, const QString &name, int occurrence = 0)
{
    if (!tab)
        return nullptr;
    for (HwSetting *setting : tab->settingsList())
        if (setting->getName() == name && occurrence-- == 0)
            return setting;
    return nullptr;
}

int notificationsTitled(const QString &title)
{
    int count = 0;
    for (AbstractNotification *notification : ErrorHandler::instance()->getNotificationList())
        if (notification->getTitle() == title)
            ++count;
    return count;
}

} // namespace

// The board settings editor against simulated boards over loopback: what it reads and
// when, what it writes back (byte for byte), how it copes with failed, wrong and
// missing replies, and how it follows the selected board.
class tst_ZeltoSettings : public QObject
{
    Q_OBJECT

    std::unique_ptr<SettingsBoards> m_rig;
    NetworkBoard *m_board = nullptr;
    QPointer<Zelto> m_zelto;

    // One board with the record above, connected, its settings not shown yet.
    bool connectOneBoard(std::chrono::milliseconds queryTimeout = 1500ms)
    {
        m_rig = std::make_unique<SettingsBoards>(queryTimeout);
        QString error;
        if (!m_rig->prepare(&error)) {
            qWarning() << error;
            return false;
        }
        m_board = m_rig->addBoard("ZS-0001", "127.0.0.2");
        SettingsBoards::control(m_board)->state().wifiSettings = boardRecord();
        m_rig->start();
        m_zelto = m_rig->connectBoard("127.0.0.2", "ZS-0001");
        return !m_zelto.isNull();
    }

    HwSettingsTab *tab() const { return m_rig->gui()->getTab(0); }

    // Shows the screen and waits for the whole table.
    bool showAndRead()
    {
        m_rig->gui()->setVisibility(true);
        return QTest::qWaitFor([&] { return tab() && tab()->settingsList().size() == 16; }, 5000);
    }

    // Applies the tab and waits until the board was asked for its settings again.
    QList<HostControlRequest> applyAndWait(qsizetype from)
    {
        tab()->applySettings();
        if (!QTest::qWaitFor([&] { return wifiCommandsSince(m_board, from).contains(C::GetWifiSettings); }, 5000))
            return {};
        QTest::qWait(100); // anything sent after it would show now
        return wifiRequestsSince(m_board, from);
    }

private slots:
    void init() { ErrorHandler::instance()->clearNotifications(); }
    void cleanup()
    {
        m_zelto.clear();
        m_board = nullptr;
        m_rig.reset();
    }

    // Selecting a board sends nothing while the screen is hidden; showing it sends the
    // three reads once, and showing it again with reads outstanding sends nothing.
    void readsOnlyWhileShown()
    {
        QVERIFY(connectOneBoard());
        QTest::qWait(300);
        const qsizetype before = requestCount(m_board);
        QTest::qWait(300);
        QCOMPARE(wifiCommandsSince(m_board, before), QList<uint16_t>());

        m_rig->gui()->setVisibility(true);
        m_rig->gui()->setVisibility(true);
        QVERIFY(showAndRead());
        QTest::qWait(200);
        QCOMPARE(wifiCommandsSince(m_board, before),
                 QList<uint16_t>({C::GetWifiSettings, C::GetWifiState, C::GetWifiTxPower}));

        // The table shows the board's record and state.
        QCOMPARE(row(tab(), "Name")->getStringValue(), QString("Bench"));
        QCOMPARE(row(tab(), "SSID", 1)->getStringValue(), QString("BenchAP"));
        QCOMPARE(row(tab(), "Password")->getStringValue(), QString("home-secret"));
        QVERIFY(row(tab(), "Wi-Fi enabled")->boolPosition());
        QVERIFY(row(tab(), "Enabled", 1)->boolPosition());  // access point
        QVERIFY(!row(tab(), "Enabled", 0)->boolPosition()); // station
        auto *editor = qobject_cast<ZeltoSettings *>(m_rig->settings()->editor());
        QVERIFY(editor);
        QCOMPARE(editor->wifiTxPower(), 17);

        // Hidden and shown again: read again.
        const qsizetype shown = requestCount(m_board);
        m_rig->gui()->setVisibility(false);
        m_rig->gui()->setVisibility(true);
        QTRY_COMPARE(wifiCommandsSince(m_board, shown).size(), 3);
    }

    void appliesOnlyTheEditedField_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("occurrence");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("offset");
        QTest::addColumn<QByteArray>("field"); // empty: nothing may be written
        const QByteArray zurich = "Z\xC3\xBCrich \xCE\xA9";
        QTest::newRow("name") << "Name" << 0 << "Bench-7" << Record::BoardName << zeroFilled("Bench-7", 32);
        QTest::newRow("non-ASCII name") << "Name" << 0 << QString::fromUtf8(zurich) << Record::BoardName
                                        << zeroFilled(zurich, 32);
        QTest::newRow("station SSID") << "SSID" << 0 << "HomeNet-5G" << Record::StationSsid
                                      << zeroFilled("HomeNet-5G", 32);
        QTest::newRow("station password")
            << "Password" << 0 << "correct horse" << Record::StationPassword << zeroFilled("correct horse", 64);
        QTest::newRow("access point SSID") << "SSID" << 1 << "Lab" << Record::AccessPointSsid << zeroFilled("Lab", 32);
        QTest::newRow("longest access point password")
            << "Password" << 1 << QString(63, 'k') << Record::AccessPointPassword
            << zeroFilled(QByteArray(63, 'k'), 64);
        QTest::newRow("over-long name") << "Name" << 0 << QString(32, 'n') << Record::BoardName << QByteArray();
        QTest::newRow("over-long non-ASCII SSID")
            << "SSID" << 0 << QString::fromUtf8("\xC3\xA9").repeated(16) << Record::StationSsid << QByteArray();
        QTest::newRow("short password") << "Password" << 0 << "1234567" << Record::StationPassword << QByteArray();
    }
    // One text edited and applied: the board receives and keeps the record with that
    // field changed and every other byte as it sent it. A refused text sends nothing.
    void appliesOnlyTheEditedField()
    {
        QFETCH(QString, name);
        QFETCH(int, occurrence);
        QFETCH(QString, text);
        QFETCH(qsizetype, offset);
        QFETCH(QByteArray, field);
        QVERIFY(connectOneBoard());
        QVERIFY(showAndRead());
        const QByteArray original = SettingsBoards::control(m_board)->state().wifiSettings;
        const qsizetype before = requestCount(m_board);

        HwSetting *edited = row(tab(), name, occurrence);
        QVERIFY(edited);
        edited->editingTextChanged(text);
        QCOMPARE(edited->getFieldState(), field.isEmpty() ? HwSetting::Error : HwSetting::Changed);
        const QList<HostControlRequest> sent = applyAndWait(before);

        QByteArray expected = original;
        if (field.isEmpty()) {
            QCOMPARE(wifiCommandsSince(m_board, before), QList<uint16_t>({C::GetWifiSettings}));
        } else {
            expected.replace(offset, field.size(), field);
            QCOMPARE(wifiCommandsSince(m_board, before), QList<uint16_t>({C::SetWifiSettings, C::GetWifiSettings}));
            QCOMPARE(sent.first().payload.size(), Record::Size);
            QCOMPARE(sent.first().payload.toHex(), expected.toHex());
            // The table is built again from what the board now holds.
            QTRY_COMPARE(row(tab(), name, occurrence)->getStringValue(), text);
        }
        QCOMPARE(SettingsBoards::control(m_board)->state().wifiSettings.toHex(), expected.toHex());
    }

    // The static address, mask and gateway: all empty or all set. Set together, the
    // three go to their slots and nothing else changes.
    void staticAddressRule()
    {
        QVERIFY(connectOneBoard());
        QByteArray record = SettingsBoards::control(m_board)->state().wifiSettings;
        for (const qsizetype slot : {Record::StaticAddress, Record::StaticSubnetMask, Record::Gateway})
            record.replace(slot, 4, QByteArray(4, '\0'));
        SettingsBoards::control(m_board)->state().wifiSettings = record;
        QVERIFY(showAndRead());
        HwSetting *address = row(tab(), "Static IP");
        HwSetting *mask = row(tab(), "Static subnet mask");
        HwSetting *gateway = row(tab(), "Gateway");
        for (HwSetting *slot : {address, mask, gateway})
            QCOMPARE(slot->getStringValue(), QString());

        address->editingTextChanged("10.0.0.5");
        QCOMPARE(address->getFieldState(), HwSetting::Changed);
        QCOMPARE(mask->getFieldState(), HwSetting::Error);
        QCOMPARE(gateway->getFieldState(), HwSetting::Error);
        QVERIFY(tab()->property("valueErrorState").toBool());
        mask->editingTextChanged("255.255.255.0");
        gateway->editingTextChanged("10.0.0.1");
        for (HwSetting *slot : {address, mask, gateway})
            QCOMPARE(slot->getFieldState(), HwSetting::Changed);
        QVERIFY(!tab()->property("valueErrorState").toBool());

        const qsizetype before = requestCount(m_board);
        const QList<HostControlRequest> sent = applyAndWait(before);
        QCOMPARE(wifiCommandsSince(m_board, before), QList<uint16_t>({C::SetWifiSettings, C::GetWifiSettings}));
        record.replace(Record::StaticAddress, 4, hex("0a000005"));
        record.replace(Record::StaticSubnetMask, 4, hex("ffffff00"));
        record.replace(Record::Gateway, 4, hex("0a000001"));
        QCOMPARE(sent.first().payload.toHex(), record.toHex());
        QCOMPARE(SettingsBoards::control(m_board)->state().wifiSettings.toHex(), record.toHex());
    }

    void appliesOnlyTheChangedRecord_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("occurrence");
        QTest::addColumn<QList<uint16_t>>("commands");
        QTest::addColumn<QByteArray>("state");
        QTest::addColumn<qsizetype>("hiddenByte");
        QTest::addColumn<bool>("position"); // of the switch once the board was read again
        const QList<uint16_t> stateOnly{C::SetWifiState, C::GetWifiState, C::GetWifiSettings};
        QTest::newRow("Wi-Fi enabled") << "Wi-Fi enabled" << 0 << stateOnly << hex("000100") << qsizetype(0) << false;
        QTest::newRow("station mode") << "Enabled" << 0 << stateOnly << hex("010101") << qsizetype(0) << true;
        QTest::newRow("access point mode") << "Enabled" << 1 << stateOnly << hex("010000") << qsizetype(0) << false;
        QTest::newRow("hidden SSID") << "Hidden SSID" << 0 << QList<uint16_t>({C::SetWifiSettings, C::GetWifiSettings})
                                     << hex("010100") << qsizetype(1) << true;
    }
    // A switch of the state alone sends the 3-byte state and reads it back; the hidden
    // SSID alone sends the whole settings record and no state.
    void appliesOnlyTheChangedRecord()
    {
        QFETCH(QString, name);
        QFETCH(int, occurrence);
        QFETCH(QList<uint16_t>, commands);
        QFETCH(QByteArray, state);
        QFETCH(qsizetype, hiddenByte);
        QFETCH(bool, position);
        QVERIFY(connectOneBoard());
        QVERIFY(showAndRead());
        QByteArray record = SettingsBoards::control(m_board)->state().wifiSettings;
        const qsizetype before = requestCount(m_board);

        QPointer<HwSetting> toggled = row(tab(), name, occurrence);
        toggled->boolValueUpdated(!toggled->boolPosition());
        const QList<HostControlRequest> sent = applyAndWait(before);
        QCOMPARE(wifiCommandsSince(m_board, before), commands);
        QCOMPARE(SettingsBoards::control(m_board)->state().wifiState.toHex(), state.toHex());
        record[Record::AccessPointHidden] = char(hiddenByte);
        QCOMPARE(SettingsBoards::control(m_board)->state().wifiSettings.toHex(), record.toHex());
        if (commands.first() == C::SetWifiState)
            QCOMPARE(sent.first().payload.toHex(), state.toHex());
        // The rebuilt table shows what the board holds.
        QTRY_VERIFY(!toggled && tab()->settingsList().size() == 16);
        QCOMPARE(row(tab(), name, occurrence)->boolPosition(), position);
    }

    // A read that fails is reported once and builds no rows for a record the board
    // never sent, so nothing can be written over the board's configuration; once the
    // board answers, the table is there.
    void failedReadSendsNothing()
    {
        m_rig = std::make_unique<SettingsBoards>();
        QString error;
        QVERIFY2(m_rig->prepare(&error), qPrintable(error));
        m_board = m_rig->addBoard("ZS-0001", "127.0.0.2");
        BoardControlState &board = SettingsBoards::control(m_board)->state();
        board.faults[C::GetWifiSettings].response = C::Error;
        m_rig->start();
        m_zelto = m_rig->connectBoard("127.0.0.2", "ZS-0001");
        QVERIFY(m_zelto);
        const QByteArray original = board.wifiSettings;
        const QByteArray originalState = board.wifiState;

        const qsizetype before = requestCount(m_board);
        m_rig->gui()->setVisibility(true);
        QTRY_COMPARE(notificationsTitled("Retrieve data failed"), 1);
        QTRY_VERIFY(tab());
        QTRY_VERIFY(static_cast<ZeltoSettings *>(m_rig->settings()->editor())->isIdle());
        QCOMPARE(tab()->settingsList().size(), 0);
        AbstractNotification *notification = ErrorHandler::instance()->getNotificationList().first();
        QCOMPARE(notification->getMessage(), QString("Could not retrieve current settings from Zelto"));
        QCOMPARE(notification->getOrigin(), QString("Hardware settings"));
        QCOMPARE(notification->getLevel(), halvora::ErrorLevel::Warning);

        applyAndWait(before);
        QVERIFY(!wifiCommandsSince(m_board, before).contains(C::SetWifiSettings));
        QVERIFY(!wifiCommandsSince(m_board, before).contains(C::SetWifiState));
        QCOMPARE(board.wifiSettings, original);
        QCOMPARE(board.wifiState, originalState);

        board.faults.clear();
        tab()->refresh();
        QTRY_COMPARE(tab()->settingsList().size(), 16);
    }

    // A failing state read after a good one keeps the state rows at the values read
    // before; a reply of the wrong size, which the control channel drops, ends the
    // read after its time limit with the same notice, and reads work again after.
    void laterFailuresKeepTheTable_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("wrongSize");
        QTest::newRow("state refused") << int(C::GetWifiState) << false;
        QTest::newRow("settings of the wrong size") << int(C::GetWifiSettings) << true;
        QTest::newRow("power of the wrong size") << int(C::GetWifiTxPower) << true;
    }
    void laterFailuresKeepTheTable()
    {
        QFETCH(int, command);
        QFETCH(bool, wrongSize);
        QVERIFY(connectOneBoard(400ms));
        QVERIFY(showAndRead());
        BoardControlState &board = SettingsBoards::control(m_board)->state();
        ControlReplyFault &fault = board.faults[uint16_t(command)];
        if (wrongSize)
            fault.wrongSize = true;
        else
            fault.response = C::Error;
        // The board changed meanwhile; the edit on the screen is dropped by the refresh.
        board.wifiState = hex("000000");
        board.wifiSettings.replace(Record::BoardName, 6, QByteArray("Other\0", 6));
        row(tab(), "Name")->editingTextChanged("typed, not applied");
        QPointer<HwSetting> before = row(tab(), "Name");

        tab()->refresh();
        QTRY_COMPARE(notificationsTitled("Retrieve data failed"), 1);
        QTRY_VERIFY(!before); // rebuilt
        QCOMPARE(tab()->settingsList().size(), 16);
        const bool settingsFailed = command == C::GetWifiSettings;
        const bool stateFailed = command == C::GetWifiState;
        QCOMPARE(row(tab(), "Name")->getStringValue(), QString(settingsFailed ? "Bench" : "Other"));
        QCOMPARE(row(tab(), "Wi-Fi enabled")->boolPosition(), stateFailed);
        QCOMPARE(row(tab(), "Name")->getFieldState(), HwSetting::Unchanged);

        // An edit applied now carries the board's bytes, not the dropped edit.
        board.faults.clear();
        const qsizetype applied = requestCount(m_board);
        row(tab(), "SSID")->editingTextChanged("Fresh");
        const QList<HostControlRequest> sent = applyAndWait(applied);
        QVERIFY(!sent.isEmpty());
        QCOMPARE(QByteArray(sent.first().payload.constData() + Record::BoardName),
                 QByteArray(settingsFailed ? "Bench" : "Other"));

        // Reading works again.
        QTRY_VERIFY(static_cast<ZeltoSettings *>(m_rig->settings()->editor())->isIdle());
        const qsizetype again = requestCount(m_board);
        tab()->refresh();
        QTRY_COMPARE(wifiCommandsSince(m_board, again).size(), 3);
    }

    // The board object reads the settings for itself when the board connects. That
    // reply builds the table while the screen is hidden, without the state rows the
    // editor has not read; an applied edit carries the board's own bytes.
    void boardObjectsOwnReadBuildsTheTable()
    {
        QVERIFY(connectOneBoard());
        QTRY_VERIFY(tab());
        QTRY_COMPARE(tab()->settingsList().size(), 13);
        QVERIFY(!row(tab(), "Wi-Fi enabled"));
        QVERIFY(!row(tab(), "Enabled"));
        QCOMPARE(row(tab(), "Name")->getStringValue(), QString("Bench"));

        const QByteArray original = SettingsBoards::control(m_board)->state().wifiSettings;
        const qsizetype before = requestCount(m_board);
        row(tab(), "Hidden SSID")->boolValueUpdated(true);
        applyAndWait(before);
        QByteArray expected = original;
        expected[Record::AccessPointHidden] = 1;
        QCOMPARE(SettingsBoards::control(m_board)->state().wifiSettings.toHex(), expected.toHex());
        QVERIFY(!wifiCommandsSince(m_board, before).contains(C::SetWifiState));
    }

    // Switching from one board straight to another leaves one editor, for the new
    // board; the old board's rows let go at once, and the new board's tab stays listed.
    void switchingBoards()
    {
        m_rig = std::make_unique<SettingsBoards>();
        QString error;
        QVERIFY2(m_rig->prepare(&error), qPrintable(error));
        NetworkBoard *first = m_rig->addBoard("ZS-000A", "127.0.0.2");
        NetworkBoard *second = m_rig->addBoard("ZS-000B", "127.0.0.3");
        SettingsBoards::control(first)->state().wifiSettings = boardRecord();
        QByteArray secondRecord = boardRecord();
        secondRecord.replace(Record::BoardName, 6, QByteArray("Bravo\0", 6));
        SettingsBoards::control(second)->state().wifiSettings = secondRecord;
        m_rig->start();
        QPointer<Zelto> firstBoard = m_rig->connectBoard("127.0.0.2", "ZS-000A");
        QPointer<Zelto> secondBoard = m_rig->connectBoard("127.0.0.3", "ZS-000B");
        QVERIFY(firstBoard && secondBoard);
        QCOMPARE(m_rig->factory()->selectedDevice(), firstBoard.data());
        m_board = first;
        QVERIFY(showAndRead());
        QCOMPARE(row(tab(), "Name")->getStringValue(), QString("Bench"));

        QPointer<HwSetting> oldRow = row(tab(), "Name");
        oldRow->editingTextChanged("Edited");
        const qsizetype firstBefore = requestCount(first);
        const qsizetype secondBefore = requestCount(second);
        m_rig->factory()->setSelectedDevice(secondBoard);
        QVERIFY(m_rig->gui()->property("settingsTabs").value<SettingsTabsList>().isEmpty());
        QVERIFY(oldRow && !oldRow->isBound());
        oldRow->editingTextChanged("a late edit"); // the old editor's record is about to go

        QTRY_VERIFY(tab() && tab()->settingsList().size() == 16);
        QCOMPARE(row(tab(), "Name")->getStringValue(), QString("Bravo"));
        QTRY_VERIFY(!oldRow);
        QTest::qWait(300);
        QVERIFY(tab());
        QCOMPARE(tab()->settingsList().size(), 16);
        QCOMPARE(m_rig->settings()->findChildren<ZeltoSettings *>().size(), 1);
        QCOMPARE(m_rig->settings()->editor()->device(), secondBoard.data());
        QCOMPARE(wifiCommandsSince(first, firstBefore), QList<uint16_t>());
        QCOMPARE(wifiCommandsSince(second, secondBefore),
                 QList<uint16_t>({C::GetWifiSettings, C::GetWifiState, C::GetWifiTxPower}));
        QCOMPARE(SettingsBoards::control(first)->state().wifiSettings, boardRecord());

        // No board selected: no editor and no tab.
        m_rig->factory()->setSelectedDevice(nullptr);
        QVERIFY(!m_rig->settings()->editor());
        QTRY_VERIFY(m_rig->settings()->findChildren<ZeltoSettings *>().isEmpty());
        QVERIFY(!tab());
    }
};

QTEST_GUILESS_MAIN(tst_ZeltoSettings)
#include "tst_ZeltoSettings.moc"
