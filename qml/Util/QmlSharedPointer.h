#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

#include <memory>

class QJSEngine;

// Holds one share of a shared object on behalf of QML: the object lives at least
// as long as QML refers to its holder.
class QmlSharedPointer : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("This object cannot be created from QML")

public:
    explicit QmlSharedPointer(std::shared_ptr<QObject> object, QObject *parent = nullptr);
    ~QmlSharedPointer() override;

    // A new holder of a further share; the JavaScript engine owns the holder when
    // one is given, so that its collector releases the share.
    static QObject *create(QJSEngine *engine, std::shared_ptr<QObject> object);

    // The held object, for native code that shares it further.
    const std::shared_ptr<QObject> &sharedObject() const { return m_object; }

    // The held object for QML; the engine never deletes it, the last share does.
    Q_INVOKABLE QObject *getObject() const;

private:
    std::shared_ptr<QObject> m_object;
};
