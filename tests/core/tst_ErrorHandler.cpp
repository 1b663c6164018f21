#include "ErrorHandler.h"
#include "LogCapture.h"
#include "NotificationMessage.h"
#include "NotificationMsgProgress.h"
#include "NotificationMsgProgressButton.h"

#include <QPointer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <memory>

namespace {

using Level = halvora::ErrorLevel;

// One thing a poster, the user or QML does to the list, and what it should answer.
struct Step
{
    enum Action {
        PostMessage,  // addMessage(level, title, origin): expect key
        AddProgress,  // addNotification(progress notification): expect key
        AddButton,    // addNotification(button notification): expect key
        SetProgress,  // updateProgress(value) on key
        EnableButton, // enableButton(true) on key
        Press,        // buttonPressed() on key
        Remove,       // removeFromList(key)
        Clear,        // clearNotifications()
        Take,         // takeNotification(key): expect it back when flag is set
        Dismiss,      // the notification's own deleteSelf(), as QML "CLEAR"
        Destroy,      // its owner deletes it outright
    };
    Action action;
    int key = 0;
    QString title;
    QString origin;
    int level = int(Level::Info);
    bool flag = false;  // delete when complete / delete on press / take expected to succeed
    float value = 0.0f; // progress
};

Step post(const QString &title, const QString &origin, int expectedKey, Level level = Level::Info)
{
    return {Step::PostMessage, expectedKey, title, origin, int(level)};
}
Step addProgress(const QString &title, bool deleteWhenComplete, int expectedKey, int level = int(Level::Info))
{
    return {Step::AddProgress, expectedKey, title, QStringLiteral("Device updater"), level, deleteWhenComplete};
}
Step addButton(const QString &title, bool deleteOnPress, int expectedKey)
{
    return {Step::AddButton, expectedKey, title, QStringLiteral("Binary list"), int(Level::Info), deleteOnPress};
}
Step act(Step::Action action, int key = 0, bool flag = false, float value = 0.0f)
{
    return {action, key, {}, {}, int(Level::Info), flag, value};
}

void flushDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

Q_DECLARE_METATYPE(Step)

class tst_ErrorHandler : public QObject
{
    Q_OBJECT

private slots:
    void lifecycle_data()
    {
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<QList<int>>("listed"); // keys in list order afterwards
        QTest::addColumn<QList<int>>("alive");  // keys whose objects still exist (-1: refused)

        QTest::newRow("first key is 1, keys rise")
            << QList<Step>{post("a", "Binary list", 1), post("b", "Binary list", 2)} << QList<int>{1, 2}
            << QList<int>{1, 2};
        QTest::newRow("same message twice is listed once")
            << QList<Step>{post("a", "Log downloader", 1, Level::Warning),
                           post("a", "Log downloader", 1, Level::Warning)}
            << QList<int>{1} << QList<int>{1};
        QTest::newRow("a merged message takes no key")
            << QList<Step>{post("a", "x", 1), post("a", "x", 1), post("b", "x", 2)} << QList<int>{1, 2}
            << QList<int>{1, 2};
        QTest::newRow("other origin is listed again")
            << QList<Step>{post("a", "SN-0001", 1), post("a", "SN-0002", 2)} << QList<int>{1, 2} << QList<int>{1, 2};
        QTest::newRow("other level is listed again")
            << QList<Step>{post("a", "x", 1, Level::Warning), post("a", "x", 2, Level::Error)} << QList<int>{1, 2}
            << QList<int>{1, 2};
        QTest::newRow("title differs in case only")
            << QList<Step>{post("Upload", "x", 1), post("upload", "x", 2)} << QList<int>{1, 2} << QList<int>{1, 2};
        QTest::newRow("a message merges into an equal progress entry")
            << QList<Step>{addProgress("a", false, 1), {Step::PostMessage, 1, "a", "Device updater"}} << QList<int>{1}
            << QList<int>{1};
        QTest::newRow("keys keep rising after clear")
            << QList<Step>{post("a", "x", 1), post("b", "x", 2), act(Step::Clear), post("a", "x", 3)} << QList<int>{3}
            << QList<int>{3};
        QTest::newRow("remove by key") << QList<Step>{post("a", "x", 1), post("b", "x", 2), act(Step::Remove, 1)}
                                       << QList<int>{2} << QList<int>{2};
        QTest::newRow("remove an absent key")
            << QList<Step>{post("a", "x", 1), act(Step::Remove, 7)} << QList<int>{1} << QList<int>{1};
        QTest::newRow("level beyond Info is refused and freed")
            << QList<Step>{addProgress("a", false, -1, 5), post("b", "x", 1)} << QList<int>{1} << QList<int>{1};
        QTest::newRow("negative level is refused and freed")
            << QList<Step>{addProgress("a", false, -1, -1)} << QList<int>{} << QList<int>{};
        QTest::newRow("refused message is freed")
            << QList<Step>{{Step::PostMessage, -1, "a", "x", 5}} << QList<int>{} << QList<int>{};
        QTest::newRow("progress reaching 1.0 removes it")
            << QList<Step>{addProgress("a", true, 1), act(Step::SetProgress, 1, false, 0.5f),
                           act(Step::SetProgress, 1, false, 1.0f)}
            << QList<int>{} << QList<int>{};
        QTest::newRow("progress beyond 1.0 removes it")
            << QList<Step>{addProgress("a", true, 1), act(Step::SetProgress, 1, false, 1.5f)} << QList<int>{}
            << QList<int>{};
        QTest::newRow("progress 1.0 without the flag stays")
            << QList<Step>{addProgress("a", false, 1), act(Step::SetProgress, 1, false, 1.0f)} << QList<int>{1}
            << QList<int>{1};
        QTest::newRow("pressed button with delete-on-press")
            << QList<Step>{addButton("a", true, 1), post("b", "x", 2), act(Step::EnableButton, 1), act(Step::Press, 1)}
            << QList<int>{2} << QList<int>{2};
        QTest::newRow("press on a button never enabled")
            << QList<Step>{addButton("a", true, 1), act(Step::Press, 1)} << QList<int>{1} << QList<int>{1};
        QTest::newRow("pressed button without delete-on-press stays")
            << QList<Step>{addButton("a", false, 1), act(Step::EnableButton, 1), act(Step::Press, 1)} << QList<int>{1}
            << QList<int>{1};
        QTest::newRow("taken notification lives on")
            << QList<Step>{post("a", "x", 1), post("b", "x", 2), act(Step::Take, 1, true)} << QList<int>{2}
            << QList<int>{1, 2};
        QTest::newRow("taken, then its RequestDelete deletes it")
            << QList<Step>{post("a", "x", 1), post("b", "x", 2), act(Step::Take, 1, true), act(Step::Dismiss, 1)}
            << QList<int>{2} << QList<int>{2};
        QTest::newRow("take an absent key")
            << QList<Step>{post("a", "x", 1), act(Step::Take, 2, false), act(Step::Take, 0, false)} << QList<int>{1}
            << QList<int>{1};
        QTest::newRow("dismissed by the user")
            << QList<Step>{post("a", "x", 1), post("b", "x", 2), act(Step::Dismiss, 2)} << QList<int>{1}
            << QList<int>{1};
        QTest::newRow("deleted by someone else leaves the list")
            << QList<Step>{addProgress("a", false, 1), post("b", "x", 2), act(Step::Destroy, 1)} << QList<int>{2}
            << QList<int>{2};
        QTest::newRow("clear everything")
            << QList<Step>{post("a", "x", 1), addProgress("b", false, 2), addButton("c", false, 3), act(Step::Clear)}
            << QList<int>{} << QList<int>{};
    }
    void lifecycle()
    {
        QFETCH(QList<Step>, steps);
        QFETCH(QList<int>, listed);
        QFETCH(QList<int>, alive);

        ErrorHandler handler;
        QObject poster;
        QMap<int, QPointer<AbstractNotification>> made;
        const QDateTime time = QDateTime::currentDateTimeUtc();

        for (const Step &step : steps) {
            AbstractNotification *target = made.value(step.key);
            switch (step.action) {
            case Step::PostMessage: {
                const int key = handler.addMessage(Level(step.level), AbstractNotification::HalvoraLab, step.title,
                                                   "text", step.origin, time);
                QCOMPARE(key, step.key);
                if (key > 0)
                    made.insert(key, handler.notification(key));
                break;
            }
            case Step::AddProgress: {
                auto *progress = new NotificationMsgProgress(&poster, Level(step.level),
                                                             AbstractNotification::HalvoraLab, step.title, "text",
                                                             step.origin, time);
                progress->enableProgress(true);
                progress->deleteAfterFireButton(step.flag);
                made.insert(step.key, progress);
                QCOMPARE(handler.addNotification(progress), step.key);
                break;
            }
            case Step::AddButton: {
                auto *button = new NotificationMsgProgressButton(&poster, Level(step.level),
                                                                 AbstractNotification::HalvoraLab, step.title, "text",
                                                                 "Upload", step.origin, time);
                button->deleteOnFireButton(step.flag);
                made.insert(step.key, button);
                QCOMPARE(handler.addNotification(button), step.key);
                break;
            }
            case Step::SetProgress:
                QVERIFY(QMetaObject::invokeMethod(target, "updateProgress", Q_ARG(float, step.value)));
                break;
            case Step::EnableButton:
                qobject_cast<NotificationMsgProgressButton *>(target)->enableButton(true);
                break;
            case Step::Press:
                qobject_cast<NotificationMsgProgressButton *>(target)->buttonPressed();
                break;
            case Step::Remove:
                QVERIFY(QMetaObject::invokeMethod(&handler, "removeFromList", Q_ARG(int, step.key)));
                break;
            case Step::Clear:
                handler.clearNotifications();
                break;
            case Step::Take:
                QCOMPARE(handler.takeNotification(step.key), step.flag ? target : nullptr);
                QCOMPARE(handler.notification(step.key), nullptr);
                break;
            case Step::Dismiss:
                target->deleteSelf();
                break;
            case Step::Destroy:
                delete target;
                break;
            }
        }
        flushDeferredDeletes();

        QList<int> listedKeys;
        for (AbstractNotification *notification : handler.getNotificationList())
            listedKeys.append(made.key(notification, 0));
        QCOMPARE(listedKeys, listed);
        QCOMPARE(handler.getNotificationCount(), quint32(listed.size()));
        for (int key : listed)
            QCOMPARE(handler.notification(key)->parent(), &handler);

        QList<int> aliveKeys;
        for (auto it = made.cbegin(); it != made.cend(); ++it)
            if (it.value())
                aliveKeys.append(it.key());
        QCOMPARE(aliveKeys, alive);
    }

    void repeatedMessageOnlyMovesItsTime()
    {
        ErrorHandler handler;
        const QDateTime first(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC);
        const QDateTime later = first.addSecs(90);
        QCOMPARE(handler.addMessage(Level::Warning, AbstractNotification::Device, "Zelto boot error", "text", "SN-0042",
                                    first),
                 1);
        AbstractNotification *listed = handler.notification(1);
        QSignalSpy listSpy(&handler, &ErrorHandler::NotificationListChanged);
        QSignalSpy countSpy(&handler, &ErrorHandler::NotificationCountChanged);
        QSignalSpy timeSpy(listed, &AbstractNotification::firedTimeChanged);

        QCOMPARE(handler.addMessage(Level::Warning, AbstractNotification::Device, "Zelto boot error", "text", "SN-0042",
                                    later),
                 1);
        QCOMPARE(timeSpy.count(), 1);
        QCOMPARE(listed->getTime(), later);
        QCOMPARE(listSpy.count(), 0);
        QCOMPARE(countSpy.count(), 0);
        flushDeferredDeletes();
        QCOMPARE(handler.getNotificationList(), NotificationList{listed});
        QCOMPARE(handler.getNotificationList().first()->parent()->children().size(), 1);
    }

    // Beyond its capacity the list lets the oldest notifications go that are not
    // modal; a modal one leaves only when no other is left.
    void capacityLetsTheOldestGoFirst_data()
    {
        QTest::addColumn<QList<int>>("modalKeys");
        QTest::addColumn<QList<int>>("leaving");
        QTest::newRow("none modal") << QList<int>{} << QList<int>{1, 2};
        QTest::newRow("the oldest modal") << QList<int>{1} << QList<int>{2, 3};
        QTest::newRow("the oldest two modal") << QList<int>{1, 2} << QList<int>{3, 4};
        QTest::newRow("all modal") << [] {
            QList<int> all;
            for (int key = 1; key <= ErrorHandler::Capacity + 2; ++key)
                all << key;
            return all;
        }() << QList<int>{1, 2};
    }
    void capacityLetsTheOldestGoFirst()
    {
        QFETCH(QList<int>, modalKeys);
        QFETCH(QList<int>, leaving);
        const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &,
                                                                    const QString &) {});
        const auto restore = qScopeGuard([previous] { qInstallMessageHandler(previous); });
        ErrorHandler handler;
        QMap<int, QPointer<AbstractNotification>> made;
        const QDateTime time = QDateTime::currentDateTimeUtc();
        for (int key = 1; key <= ErrorHandler::Capacity + 2; ++key) {
            auto *notification = new NotificationMessage(nullptr, Level::Warning, AbstractNotification::Device,
                                                         "Warning", QString::number(key), "SN-1", time);
            notification->setModal(modalKeys.contains(key));
            made.insert(key, notification);
            QCOMPARE(handler.addNotification(notification), key);
            QCOMPARE(handler.getNotificationCount(), quint32(std::min(key, ErrorHandler::Capacity)));
        }
        flushDeferredDeletes();
        for (auto it = made.cbegin(); it != made.cend(); ++it) {
            QCOMPARE(!it.value(), leaving.contains(it.key()));
            QCOMPARE(handler.notification(it.key()) != nullptr, !leaving.contains(it.key()));
        }
        QCOMPARE(handler.children().size(), ErrorHandler::Capacity);
    }

    // Merging looks notifications up by what they say now, also after a change.
    void mergeFollowsTheListedTexts()
    {
        ErrorHandler handler;
        const QDateTime time = QDateTime::currentDateTimeUtc();
        const auto post = [&](const QString &title, const QString &message) {
            return handler.addMessage(Level::Info, AbstractNotification::HalvoraLab, title, message, "Updater", time);
        };
        QCOMPARE(post("Update", "Downloading"), 1);
        QCOMPARE(post("Other", "Downloading"), 2);
        handler.notification(1)->changeMessageTextSlot("Installing");
        QCOMPARE(post("Update", "Installing"), 1);
        QCOMPARE(post("Update", "Downloading"), 3);
        handler.notification(2)->changeTitleTextSlot("Update");
        handler.notification(2)->changeMessageTextSlot("Installing");
        QCOMPARE(post("Update", "Installing"), 1); // the older of two equal ones
        QVERIFY(QMetaObject::invokeMethod(&handler, "removeFromList", Q_ARG(int, 1)));
        QCOMPARE(post("Update", "Installing"), 2);
        handler.takeNotification(2);
        QCOMPARE(post("Update", "Installing"), 4);
        handler.clearNotifications();
        QCOMPARE(post("Update", "Installing"), 5);
    }

    // A flood of distinct messages (a board that sends many warnings) keeps the list,
    // and what it holds in memory, at its capacity.
    void floodOfDistinctMessagesStaysBounded()
    {
        static int logLines = 0;
        logLines = 0;
        const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &,
                                                                    const QString &) { ++logLines; });
        const auto restore = qScopeGuard([previous] { qInstallMessageHandler(previous); });
        ErrorHandler handler;
        const QDateTime time = QDateTime::currentDateTimeUtc();
        constexpr int Flood = 100000;
        for (int i = 1; i <= Flood; ++i) {
            QCOMPARE(handler.addMessage(Level::Warning, AbstractNotification::Device, "Warning received from Zelto",
                                        QStringLiteral("Wheel %1 slips").arg(i), "SN-1", time),
                     i);
            if (i % 1000 == 0)
                flushDeferredDeletes();
        }
        flushDeferredDeletes();
        QCOMPARE(logLines, Flood);
        QCOMPARE(handler.getNotificationCount(), quint32(ErrorHandler::Capacity));
        QCOMPARE(handler.children().size(), ErrorHandler::Capacity);
        QCOMPARE(handler.getNotificationList().constFirst()->getMessage(),
                 QStringLiteral("Wheel %1 slips").arg(Flood - ErrorHandler::Capacity + 1));
        QCOMPARE(handler.getNotificationList().constLast()->getMessage(), QStringLiteral("Wheel %1 slips").arg(Flood));
    }

    void equality_data()
    {
        QTest::addColumn<QString>("differs");
        QTest::addColumn<bool>("equal");
        QTest::newRow("nothing") << "" << true;
        QTest::newRow("type") << "type" << true;
        QTest::newRow("time") << "time" << true;
        QTest::newRow("level") << "level" << false;
        QTest::newRow("source") << "source" << false;
        QTest::newRow("title") << "title" << false;
        QTest::newRow("message in case only") << "message" << false;
        QTest::newRow("origin") << "origin" << false;
    }
    void equality()
    {
        QFETCH(QString, differs);
        QFETCH(bool, equal);
        const QDateTime time = QDateTime::currentDateTimeUtc();
        NotificationMessage one(nullptr, Level::Info, AbstractNotification::Device, "Title", "Text", "SN-1", time);
        const auto field = [&](const char *name, auto same, auto other) { return differs == name ? other : same; };
        std::unique_ptr<AbstractNotification> two;
        if (differs == "type")
            two = std::make_unique<NotificationMsgProgress>(nullptr, Level::Info, AbstractNotification::Device, "Title",
                                                            "Text", "SN-1", time);
        else
            two = std::make_unique<NotificationMessage>(
                nullptr, field("level", Level::Info, Level::None),
                field("source", AbstractNotification::Device, AbstractNotification::HalvoraLab),
                field("title", QString("Title"), QString("Other")), field("message", QString("Text"), QString("text")),
                field("origin", QString("SN-1"), QString("SN-2")), field("time", time, time.addDays(1)));
        QCOMPARE(one == *two, equal);
        QCOMPARE(*two == one, equal);
    }

    // Actions on one notification, and the signals it gives in order.
    void notificationSignals_data()
    {
        QTest::addColumn<bool>("withButton");
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QStringList>("emitted");

        QTest::newRow("same progress again") << false << QStringList{"progress 0"} << QStringList{};
        QTest::newRow("new progress") << false << QStringList{"progress 0.25", "progress 0.25"}
                                      << QStringList{"ProgressChanged 0.25"};
        QTest::newRow("enable progress twice")
            << true << QStringList{"enableProgress", "enableProgress"} << QStringList{"ProgressEnabledChanged true"};
        QTest::newRow("complete with delete") << false << QStringList{"deleteWhenComplete", "progress 1"}
                                              << QStringList{"ProgressChanged 1", "RequestDelete"};
        QTest::newRow("button progress complete with delete") << true << QStringList{"deleteWhenComplete", "progress 2"}
                                                              << QStringList{"ProgressChanged 2", "RequestDelete"};
        QTest::newRow("complete without delete")
            << true << QStringList{"progress 1"} << QStringList{"ProgressChanged 1"};
        QTest::newRow("press while disabled") << true << QStringList{"deleteOnPress", "press"} << QStringList{};
        QTest::newRow("press while enabled") << true << QStringList{"enableButton", "press", "press"}
                                             << QStringList{"ButtonEnabledChanged true", "FireButton", "FireButton"};
        QTest::newRow("press with delete-on-press")
            << true << QStringList{"enableButton", "deleteOnPress", "press"}
            << QStringList{"ButtonEnabledChanged true", "FireButton", "RequestDelete"};
        QTest::newRow("rename") << true << QStringList{"rename Upload", "rename upload", "rename upload"}
                                << QStringList{"ButtonNameChanged upload"};
        QTest::newRow("title from a poster fires the time")
            << false << QStringList{"changeTitle", "setTitleQuietly"}
            << QStringList{"titleTextChanged", "firedTimeChanged", "titleTextChanged"};
        QTest::newRow("message from a poster fires the time")
            << true << QStringList{"changeMessage"} << QStringList{"messageTextChanged", "firedTimeChanged"};
        QTest::newRow("expanded is told every time")
            << false << QStringList{"collapse", "collapse"} << QStringList{"expandedChanged", "expandedChanged"};
    }
    void notificationSignals()
    {
        QFETCH(bool, withButton);
        QFETCH(QStringList, actions);
        QFETCH(QStringList, emitted);

        const QDateTime time = QDateTime::currentDateTimeUtc().addDays(-1);
        std::unique_ptr<AbstractNotification> notification;
        if (withButton)
            notification = std::make_unique<NotificationMsgProgressButton>(nullptr, Level::Info,
                                                                           AbstractNotification::HalvoraLab, "t", "m",
                                                                           "Upload", "Binary list", time);
        else
            notification = std::make_unique<NotificationMsgProgress>(nullptr, Level::Info,
                                                                     AbstractNotification::HalvoraLab, "t", "m",
                                                                     "Device updater", time);
        auto *button = qobject_cast<NotificationMsgProgressButton *>(notification.get());
        auto *progress = qobject_cast<NotificationMsgProgress *>(notification.get());
        AbstractNotification *self = notification.get();

        QStringList seen;
        const auto record = [&seen](const QString &name) { seen.append(name); };
        connect(self, &AbstractNotification::RequestDelete, this, [&, self](AbstractNotification *who) {
            QCOMPARE(who, self);
            record("RequestDelete");
        });
        connect(self, &AbstractNotification::titleTextChanged, this, [&] { record("titleTextChanged"); });
        connect(self, &AbstractNotification::messageTextChanged, this, [&] { record("messageTextChanged"); });
        connect(self, &AbstractNotification::firedTimeChanged, this, [&] { record("firedTimeChanged"); });
        connect(self, &AbstractNotification::expandedChanged, this, [&] { record("expandedChanged"); });
        const auto recordProgress = [&](float value) { record("ProgressChanged " + QString::number(value)); };
        const auto recordEnabled = [&](bool on) {
            record(QString("ProgressEnabledChanged ") + (on ? "true" : "false"));
        };
        if (button) {
            connect(button, &NotificationMsgProgressButton::ProgressChanged, this, recordProgress);
            connect(button, &NotificationMsgProgressButton::ProgressEnabledChanged, this, recordEnabled);
            connect(button, &NotificationMsgProgressButton::FireButton, this, [&] { record("FireButton"); });
            connect(button, &NotificationMsgProgressButton::ButtonEnabledChanged, this,
                    [&](bool on) { record(QString("ButtonEnabledChanged ") + (on ? "true" : "false")); });
            connect(button, &NotificationMsgProgressButton::ButtonNameChanged, this,
                    [&](const QString &name) { record("ButtonNameChanged " + name); });
        } else {
            connect(progress, &NotificationMsgProgress::ProgressChanged, this, recordProgress);
            connect(progress, &NotificationMsgProgress::ProgressEnabledChanged, this, recordEnabled);
        }

        for (const QString &action : actions) {
            const QString word = action.section(' ', 0, 0);
            const QString argument = action.section(' ', 1);
            if (word == "progress")
                QVERIFY(QMetaObject::invokeMethod(self, "updateProgress", Q_ARG(float, argument.toFloat())));
            else if (word == "enableProgress")
                QVERIFY(QMetaObject::invokeMethod(self, "enableProgress", Q_ARG(bool, true)));
            else if (word == "deleteWhenComplete")
                button ? button->deleteOnProgressComplete(true) : progress->deleteAfterFireButton(true);
            else if (word == "deleteOnPress")
                button->deleteOnFireButton(true);
            else if (word == "enableButton")
                button->enableButton(true);
            else if (word == "press")
                button->buttonPressed();
            else if (word == "rename")
                button->changeButtonName(argument);
            else if (word == "changeTitle")
                self->changeTitleTextSlot("new title");
            else if (word == "setTitleQuietly")
                self->setTitleText("quiet title", false);
            else if (word == "changeMessage")
                self->changeMessageTextSlot("new message");
            else if (word == "collapse")
                self->setExpanded(false);
            else
                QFAIL(qPrintable("unknown action " + action));
        }
        QCOMPARE(seen, emitted);
        if (emitted.contains("firedTimeChanged"))
            QVERIFY(self->getTime() > time);
    }

    void logLinePerLevel_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("logged");
        QTest::addColumn<int>("type");
        QTest::newRow("CriticalError") << int(Level::CriticalError) << true << int(QtCriticalMsg);
        QTest::newRow("Error") << int(Level::Error) << true << int(QtCriticalMsg);
        QTest::newRow("Warning") << int(Level::Warning) << true << int(QtWarningMsg);
        QTest::newRow("Info") << int(Level::Info) << false << 0;
        QTest::newRow("None") << int(Level::None) << false << 0;
    }
    void logLinePerLevel()
    {
        QFETCH(int, level);
        QFETCH(bool, logged);
        QFETCH(int, type);

        LogCapture log(LogCapture::everyLine());
        {
            NotificationMessage message(nullptr, Level(level), AbstractNotification::HalvoraLab,
                                        "Firmware update failed", "The board did not answer", "Device updater",
                                        QDateTime::currentDateTimeUtc());
        }
        const QList<LogCapture::Line> logLines = log.entries();

        if (!logged) {
            QVERIFY(logLines.isEmpty());
            return;
        }
        QCOMPARE(logLines.size(), 1);
        QCOMPARE(int(logLines.first().type), type);
        QCOMPARE(logLines.first().text, QString("[Firmware update failed] The board did not answer"));
    }

    // Workers post while the main thread runs; everything lands on the main thread.
    void postsFromWorkerThreads()
    {
        ErrorHandler handler;
        QObject progressSource; // emits from workers, so the queued connection decides
        QList<QThread *> signalThreads;
        connect(
            &handler, &ErrorHandler::NotificationListChanged, &handler,
            [&] { signalThreads.append(QThread::currentThread()); }, Qt::DirectConnection);

        int messageKey = 0;
        int repeatedKey = 0;
        int progressKey = 0;
        QPointer<NotificationMsgProgress> progress;
        std::unique_ptr<QThread> worker(QThread::create([&] {
            messageKey = handler.addMessage(Level::Warning, AbstractNotification::HalvoraLab, "Parsing failed",
                                            "file.hlf", "Log parser", QDateTime::currentDateTimeUtc());
            repeatedKey = handler.addMessage(Level::Warning, AbstractNotification::HalvoraLab, "Parsing failed",
                                             "file.hlf", "Log parser", QDateTime::currentDateTimeUtc());
            QObject poster; // the worker's own object, parent of the notification until it is added
            progress = new NotificationMsgProgress(&poster, Level::Info, AbstractNotification::HalvoraLab, "Converting",
                                                   "file.hlf", "Log parser", QDateTime::currentDateTimeUtc());
            progress->deleteAfterFireButton(true);
            progressKey = handler.addNotification(progress);
            QMetaObject::invokeMethod(progress, "updateProgress", Qt::AutoConnection, Q_ARG(float, 0.5f));
        }));
        worker->start();
        QVERIFY(worker->wait(10000));

        QCOMPARE(messageKey, 1);
        QCOMPARE(repeatedKey, 2); // taken at once; the repeat merges, so 2 stays unused
        QCOMPARE(progressKey, 3);
        QTRY_COMPARE(handler.getNotificationCount(), 2u);
        QVERIFY(progress);
        QCOMPARE(handler.notification(3), progress.data());
        QCOMPARE(progress->thread(), thread());
        QCOMPARE(progress->parent(), &handler);
        QTRY_COMPARE(progress->property("progress").toFloat(), 0.5f);
        QCOMPARE(handler.notification(1)->getTitle(), QString("Parsing failed"));
        QCOMPARE(handler.notification(1)->thread(), thread());
        QCOMPARE(handler.notification(2), nullptr);

        // Driven from another worker by its signal: completion removes it on the main thread.
        connect(this, &tst_ErrorHandler::progressFromWorker, progress, &NotificationMsgProgress::updateProgress);
        std::unique_ptr<QThread> finisher(QThread::create([this] { emit progressFromWorker(1.0f); }));
        finisher->start();
        QVERIFY(finisher->wait(10000));
        QTRY_VERIFY(!progress);
        QCOMPARE(handler.getNotificationCount(), 1u);

        // Many workers at once: every post listed under its own key.
        QList<std::shared_ptr<QThread>> crowd;
        for (int w = 0; w < 4; ++w) {
            crowd.append(std::shared_ptr<QThread>(QThread::create([&handler, w] {
                for (int i = 0; i < 25; ++i)
                    handler.addMessage(Level::Info, AbstractNotification::Device, "Board message",
                                       QString("worker %1 message %2").arg(w).arg(i), "SN-7",
                                       QDateTime::currentDateTimeUtc());
                handler.addNotification(new NotificationMessage(nullptr, Level(7), AbstractNotification::Device,
                                                                "refused", "", "SN-7", QDateTime()));
            })));
            crowd.last()->start();
        }
        for (const auto &thread : crowd)
            QVERIFY(thread->wait(10000));
        QTRY_COMPARE(handler.getNotificationCount(), 101u);

        for (QThread *signalThread : signalThreads)
            QCOMPARE(signalThread, thread());
    }

    void processWideListLivesOnTheMainThread()
    {
        ErrorHandler *fromWorker = nullptr;
        std::unique_ptr<QThread> worker(QThread::create([&] { fromWorker = ErrorHandler::instance(); }));
        worker->start();
        QVERIFY(worker->wait(10000));
        QVERIFY(fromWorker);
        QCOMPARE(fromWorker->thread(), thread());
        QCOMPARE(fromWorker->parent(), nullptr);
        QCOMPARE(ErrorHandler::instance(), fromWorker);
    }

signals:
    void progressFromWorker(float progress);
};

QTEST_GUILESS_MAIN(tst_ErrorHandler)
#include "tst_ErrorHandler.moc"
