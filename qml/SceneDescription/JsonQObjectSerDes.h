#pragma once

#include <QJsonValue>
#include <QList>
#include <QObject>

#include <functional>

// The JSON readers and writers of one concrete class K of a family of QObject classes
// with base T, behind the base's interface, so that a caller can pick them by kind.
// Each function calls K's own static fromJson, toJson, listFromJson or listToJson.
template<class T, class Context>
struct JsonQObjectSerDes
{
    std::function<T *(Context &, const QJsonValue &, QObject *)> fromJson;
    std::function<void(Context &, QJsonValue &, const T &)> toJson;
    std::function<QList<T *>(Context &, const QJsonValue &, QObject *)> listFromJson;
    std::function<void(Context &, QJsonValue &, const QList<T *> &)> listToJson;
    bool flag = false;

    // The writers leave out objects that are not of class K.
    template<class K>
    static JsonQObjectSerDes make(bool flag)
    {
        JsonQObjectSerDes record;
        record.fromJson = [](Context &context, const QJsonValue &json, QObject *parent) -> T * {
            return K::fromJson(context, json, parent);
        };
        record.toJson = [](Context &context, QJsonValue &json, const T &object) {
            if (const auto *concrete = dynamic_cast<const K *>(&object))
                K::toJson(context, json, *concrete);
        };
        record.listFromJson = [](Context &context, const QJsonValue &json, QObject *parent) {
            const QList<K *> concrete = K::listFromJson(context, json, parent);
            return QList<T *>(concrete.cbegin(), concrete.cend());
        };
        record.listToJson = [](Context &context, QJsonValue &json, const QList<T *> &objects) {
            QList<K *> concrete;
            for (T *object : objects) {
                if (auto *k = dynamic_cast<K *>(object))
                    concrete.append(k);
            }
            K::listToJson(context, json, concrete);
        };
        record.flag = flag;
        return record;
    }
};
