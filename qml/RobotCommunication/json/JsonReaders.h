#pragma once

#include "JsonContext.h"

#include <QJsonValue>
#include <QList>
#include <QQuaternion>
#include <QString>
#include <QUuid>
#include <QVector3D>

// Typed reading of JSON values: each reader returns the value or throws
// JsonUndefinedException (the value is absent, as a missing key of an object reads)
// or JsonInvalidTypeException (it has another type). A reader never falls back to a
// default. Callers read one key at a time: fromJson<bool>(context, object["result"]).
//
// Message types bring their own reader as a static T::fromJson(JsonContext &,
// const QJsonValue &), which the general form calls.
template<class T>
T fromJson(JsonContext &context, const QJsonValue &value)
{
    return T::fromJson(context, value);
}

template<>
QString fromJson<QString>(JsonContext &context, const QJsonValue &value);
template<>
bool fromJson<bool>(JsonContext &context, const QJsonValue &value);
template<>
double fromJson<double>(JsonContext &context, const QJsonValue &value);
template<>
float fromJson<float>(JsonContext &context, const QJsonValue &value);
// Empty text and the all-zero UUID (with or without braces) read as the null UUID;
// any other text must be a UUID.
template<>
QUuid fromJson<QUuid>(JsonContext &context, const QJsonValue &value);
template<>
QList<double> fromJson<QList<double>>(JsonContext &context, const QJsonValue &value);
// An object with the numbers x, y and z.
template<>
QVector3D fromJson<QVector3D>(JsonContext &context, const QJsonValue &value);
// An object with the numbers x, y, z and w (the scalar part).
template<>
QQuaternion fromJson<QQuaternion>(JsonContext &context, const QJsonValue &value);
