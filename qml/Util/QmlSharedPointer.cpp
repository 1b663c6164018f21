#include "QmlSharedPointer.h"

#include <QJSEngine>

QmlSharedPointer::QmlSharedPointer(std::shared_ptr<QObject> object, QObject *parent)
    : QObject(parent)
    , m_object(std::move(object))
{
}

QmlSharedPointer::~QmlSharedPointer() = default;

QObject *QmlSharedPointer::create(QJSEngine *engine, std::shared_ptr<QObject> object)
{
    auto *holder = new QmlSharedPointer(std::move(object));
    if (engine)
        QJSEngine::setObjectOwnership(holder, QJSEngine::JavaScriptOwnership);
    return holder;
}

QObject *QmlSharedPointer::getObject() const
{
    if (m_object)
        QJSEngine::setObjectOwnership(m_object.get(), QJSEngine::CppOwnership);
    return m_object.get();
}
