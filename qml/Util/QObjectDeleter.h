#pragma once

#include <QObject>

#include <memory>

namespace ostrel {

// Releases a QObject by deferred deletion, so that an object whose last owner goes
// while one of its own signals or slots is running is not deleted under its feet.
struct QObjectDeleter
{
    void operator()(QObject *object) const
    {
        if (object)
            object->deleteLater();
    }
};

template<class T>
using unique_qptr = std::unique_ptr<T, QObjectDeleter>;

// A shared QObject; whoever makes one passes QObjectDeleter as its deleter.
template<class T>
using shared_qptr = std::shared_ptr<T>;

} // namespace ostrel
