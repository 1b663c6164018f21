#include "QmlFuture.h"
#include "QmlSharedPointer.h"

#include <QJSEngine>
#include <QJsonArray>
#include <QJsonObject>
#include <QPointer>
#include <QPromise>
#include <QTest>
#include <QUuid>

#include <memory>
#include <stdexcept>
#include <thread>

namespace {

class TestFailure : public QException
{
public:
    explicit TestFailure(QByteArray text)
        : m_text(std::move(text))
    {
    }
    const char *what() const noexcept override { return m_text.constData(); }
    void raise() const override { throw *this; }
    TestFailure *clone() const override { return new TestFailure(*this); }

private:
    QByteArray m_text;
};

enum class Mode { Result, QExceptionFailure, StdFailure, UnknownFailure, Cancelled, NoResult };
enum class Where { AlreadyFinished, FinishedOnWorker };

} // namespace

Q_DECLARE_METATYPE(Mode)
Q_DECLARE_METATYPE(Where)

namespace {

// A promise from a future that ends as mode says: before the promise is made, or
// on a worker thread after it was made.
template<class T>
QJSValue promiseFor(QJSEngine &engine, Mode mode, Where where, const std::function<void(QPromise<T> &)> &addResult)
{
    QPromise<T> promise;
    promise.start();
    const auto end = [&] {
        switch (mode) {
        case Mode::Result:
            addResult(promise);
            break;
        case Mode::QExceptionFailure:
            promise.setException(TestFailure("x"));
            break;
        case Mode::StdFailure:
            promise.setException(std::make_exception_ptr(std::runtime_error("y")));
            break;
        case Mode::UnknownFailure:
            promise.setException(std::make_exception_ptr(42));
            break;
        case Mode::Cancelled:
            promise.future().cancel();
            break;
        case Mode::NoResult:
            break;
        }
        promise.finish();
    };
    if (where == Where::AlreadyFinished) {
        end();
        return QmlFuture<T>::toPromise(&engine, promise.future());
    }
    QJSValue jsPromise = QmlFuture<T>::toPromise(&engine, promise.future());
    std::thread(end).join();
    return jsPromise;
}

} // namespace

class tst_QmlFuture : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QJSEngine> m_engine;
    QJSValue m_watch;

    // The outcome of a promise, filled in by its reactions.
    QJSValue watch(const QJSValue &promise) { return m_watch.call({promise}); }

    template<class T>
    QJSValue outcomeOf(Mode mode, Where where, std::function<void(QPromise<T> &)> addResult)
    {
        return watch(promiseFor<T>(*m_engine, mode, where, addResult));
    }

private slots:
    void init()
    {
        m_engine = std::make_unique<QJSEngine>();
        m_watch = m_engine->evaluate(QStringLiteral(R"(
            (promise) => {
                const outcome = { state: "pending" };
                promise.then(function (value) {
                    outcome.state = "resolved";
                    outcome.text = value !== null && typeof value === "object" && value.getObject
                        ? "holder of " + value.getObject().objectName
                        : JSON.stringify(value);
                }, function (error) {
                    outcome.state = "rejected";
                    outcome.text = error.message;
                    outcome.isError = error instanceof Error;
                });
                return outcome;
            })"));
        QVERIFY(m_watch.isCallable());
    }

    void cleanup()
    {
        m_watch = QJSValue();
        m_engine.reset();
    }

    void settlement_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<Where>("where");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("text");

        const auto before = Where::AlreadyFinished;
        const auto worker = Where::FinishedOnWorker;
        const QString cancelled = QStringLiteral("The operation was cancelled");
        QTest::newRow("int, finished before") << "int" << Mode::Result << before << "resolved"
                                              << "42";
        QTest::newRow("int, finished on a worker") << "int" << Mode::Result << worker << "resolved"
                                                   << "42";
        QTest::newRow("int, QException") << "int" << Mode::QExceptionFailure << before << "rejected"
                                         << "x";
        QTest::newRow("int, QException on a worker") << "int" << Mode::QExceptionFailure << worker << "rejected"
                                                     << "x";
        QTest::newRow("int, std::runtime_error") << "int" << Mode::StdFailure << worker << "rejected"
                                                 << "y";
        QTest::newRow("int, something thrown that is no exception")
            << "int" << Mode::UnknownFailure << before << "rejected"
            << "The operation failed with an unknown error";
        QTest::newRow("int, cancelled") << "int" << Mode::Cancelled << before << "rejected" << cancelled;
        QTest::newRow("int, cancelled on a worker") << "int" << Mode::Cancelled << worker << "rejected" << cancelled;
        QTest::newRow("int, finished without a result") << "int" << Mode::NoResult << worker << "rejected"
                                                        << "The operation ended without a result";
        QTest::newRow("void, finished before") << "void" << Mode::Result << before << "resolved"
                                               << "undefined";
        QTest::newRow("void, finished on a worker") << "void" << Mode::Result << worker << "resolved"
                                                    << "undefined";
        QTest::newRow("void, QException") << "void" << Mode::QExceptionFailure << worker << "rejected"
                                          << "x";
        QTest::newRow("void, std::runtime_error") << "void" << Mode::StdFailure << before << "rejected"
                                                  << "y";
        QTest::newRow("void, cancelled") << "void" << Mode::Cancelled << worker << "rejected" << cancelled;
        QTest::newRow("bool") << "bool" << Mode::Result << worker << "resolved"
                              << "true";
        QTest::newRow("QString") << "QString" << Mode::Result << before << "resolved"
                                 << "\"text\"";
        QTest::newRow("QUuid") << "QUuid" << Mode::Result << worker << "resolved"
                               << "\"{67c8770b-44f1-410a-ab9a-f9b5446f13ee}\"";
        QTest::newRow("QJsonObject") << "QJsonObject" << Mode::Result << worker << "resolved"
                                     << "{\"name\":\"path\",\"points\":[1,2]}";
        QTest::newRow("QJsonObject, QException") << "QJsonObject" << Mode::QExceptionFailure << before << "rejected"
                                                 << "x";
        QTest::newRow("shared object") << "QmlSharedPointer*" << Mode::Result << worker << "resolved"
                                       << "holder of robot";
        QTest::newRow("shared object, cancelled")
            << "QmlSharedPointer*" << Mode::Cancelled << before << "rejected" << cancelled;
    }
    void settlement()
    {
        QFETCH(QString, type);
        QFETCH(Mode, mode);
        QFETCH(Where, where);
        QFETCH(QString, state);
        QFETCH(QString, text);

        auto robot = std::make_shared<QObject>();
        robot->setObjectName(QStringLiteral("robot"));
        QJSValue outcome;
        if (type == QLatin1String("int"))
            outcome = outcomeOf<int>(mode, where, [](auto &p) { p.addResult(42); });
        else if (type == QLatin1String("void"))
            outcome = outcomeOf<void>(mode, where, [](auto &) {});
        else if (type == QLatin1String("bool"))
            outcome = outcomeOf<bool>(mode, where, [](auto &p) { p.addResult(true); });
        else if (type == QLatin1String("QString"))
            outcome = outcomeOf<QString>(mode, where, [](auto &p) { p.addResult(QStringLiteral("text")); });
        else if (type == QLatin1String("QUuid"))
            outcome = outcomeOf<QUuid>(mode, where, [](auto &p) {
                p.addResult(QUuid(QStringLiteral("{67c8770b-44f1-410a-ab9a-f9b5446f13ee}")));
            });
        else if (type == QLatin1String("QJsonObject"))
            outcome = outcomeOf<QJsonObject>(mode, where, [](auto &p) {
                p.addResult(QJsonObject{{"name", "path"}, {"points", QJsonArray{1, 2}}});
            });
        else
            outcome = outcomeOf<QmlSharedPointer *>(mode, where, [&](auto &p) {
                p.addResult(static_cast<QmlSharedPointer *>(QmlSharedPointer::create(m_engine.get(), robot)));
            });

        // Reactions run when the event loop turns; a future that finished on a
        // worker settles only then, on this (the main) thread.
        QCOMPARE(outcome.property("state").toString(), QStringLiteral("pending"));
        QTRY_COMPARE(outcome.property("state").toString(), state);
        if (state == QLatin1String("rejected"))
            QVERIFY(outcome.property("isError").toBool());
        QCOMPARE(outcome.property("text").toString(), text);
    }

    // The future's own object keeps itself alive until it settles, also when
    // nothing in JavaScript refers to the promise any more.
    void anUnsettledPromiseSurvivesGarbageCollection()
    {
        QPromise<int> promise;
        promise.start();
        QJSValue outcome = watch(QmlFuture<int>::toPromise(m_engine.get(), promise.future()));
        for (int i = 0; i < 3; ++i) {
            m_engine->collectGarbage();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        std::thread([&] {
            promise.addResult(7);
            promise.finish();
        }).join();
        QTRY_COMPARE(outcome.property("state").toString(), QStringLiteral("resolved"));
        QCOMPARE(outcome.property("text").toString(), QStringLiteral("7"));
    }

    // A promise whose engine has gone never settles, whichever way its future ends.
    void theEngineGoesFirst_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::newRow("result") << Mode::Result;
        QTest::newRow("failure") << Mode::QExceptionFailure;
        QTest::newRow("cancellation") << Mode::Cancelled;
    }
    void theEngineGoesFirst()
    {
        QFETCH(Mode, mode);
        QPromise<QString> promise;
        promise.start();
        QJSValue outcome = watch(QmlFuture<QString>::toPromise(m_engine.get(), promise.future()));
        outcome = QJSValue();
        cleanup();

        std::thread([&] {
            if (mode == Mode::Result)
                promise.addResult(QStringLiteral("late"));
            else if (mode == Mode::QExceptionFailure)
                promise.setException(TestFailure("late"));
            else
                promise.future().cancel();
            promise.finish();
        }).join();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

QTEST_GUILESS_MAIN(tst_QmlFuture)
#include "tst_QmlFuture.moc"
