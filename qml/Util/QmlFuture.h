#pragma once

#include "QmlFutureBase.h"

#include <QCoreApplication>
#include <QException>
#include <QFuture>
#include <QJSEngine>
#include <QPointer>

#include <exception>
#include <type_traits>

// Hands a QFuture<T> to QML as a JavaScript Promise that settles on the main
// thread: resolved with the future's result, rejected with an Error whose message
// says why the future failed or that it was cancelled. The object is owned by the
// JavaScript engine and keeps itself alive until its promise has settled.
//
// A promise never settles after its engine (or this object) is gone: the
// continuation only holds guarded pointers and skips settlement then.
template<class T>
class QmlFuture : public QmlFutureBase
{
public:
    static QJSValue toPromise(QJSEngine *engine, QFuture<T> future)
    {
        Q_ASSERT(engine);
        auto *object = new QmlFuture(std::move(future), engine);
        object->m_self = engine->newQObject(object); // the engine owns it from here
        return promiseFor(engine, object->m_self);
    }

    void registerFutureCallback(QJSValue resolveFunc, QJSValue rejectFunc) override
    {
        m_resolve = resolveFunc;
        m_reject = rejectFunc;
        const QPointer<QmlFuture> guard(this);
        // The application object as context runs the continuation on the main
        // thread: at once when the future is already finished (or finishes there),
        // else as a queued call.
        QObject *context = QCoreApplication::instance();
        m_future
            .then(context,
                  [guard](QFuture<T> finished) {
                      if (guard)
                          guard->settle(finished);
                  })
            .onCanceled(context, [guard] {
                if (guard)
                    guard->rejectWith(QStringLiteral("The operation was cancelled"));
            });
    }

private:
    QmlFuture(QFuture<T> future, QJSEngine *engine)
        : m_future(std::move(future))
        , m_engine(engine)
    {
    }

    void settle(QFuture<T> &finished)
    {
        if (!m_engine)
            return release();
        try {
            finished.waitForFinished(); // rethrows what the future failed with
            if constexpr (std::is_void_v<T>) {
                resolveWith({});
            } else {
                // A future that finished without a result (its promise was dropped)
                // has nothing to read: reading it would touch no result at all.
                if (finished.resultCount() < 1)
                    return rejectWith(QStringLiteral("The operation ended without a result"));
                resolveWith({m_engine->toScriptValue(finished.result())});
            }
        } catch (const QException &exception) {
            rejectWith(QString::fromUtf8(exception.what()));
        } catch (const std::exception &exception) {
            rejectWith(QString::fromUtf8(exception.what()));
        } catch (...) {
            rejectWith(QStringLiteral("The operation failed with an unknown error"));
        }
    }

    void resolveWith(const QJSValueList &arguments)
    {
        if (m_engine)
            m_resolve.call(arguments);
        release();
    }

    void rejectWith(const QString &message)
    {
        if (m_engine)
            m_reject.call({m_engine->newErrorObject(QJSValue::GenericError, message)});
        release();
    }

    // Drops the self-reference (and the functions), so the collector may take us.
    // Without an engine nobody else would: then we go ourselves.
    void release()
    {
        m_resolve = QJSValue();
        m_reject = QJSValue();
        m_self = QJSValue();
        if (!m_engine)
            deleteLater();
    }

    QJSValue m_self;
    QJSValue m_resolve;
    QJSValue m_reject;
    QFuture<T> m_future;
    QPointer<QJSEngine> m_engine;
};
