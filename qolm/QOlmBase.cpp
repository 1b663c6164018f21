#include "QOlmBase.h"

namespace qolm {

namespace {
QOlmBase *listOf(QQmlListProperty<QObject> *property)
{
    return static_cast<QOlmBase *>(property->data);
}
} // namespace

QOlmBase::QOlmBase(QObject *parent)
    : QAbstractListModel(parent)
{
}

QQmlListProperty<QObject> QOlmBase::defaultChildren()
{
    return {this,
            this,
            &QOlmBase::listAppend,
            &QOlmBase::listCount,
            &QOlmBase::listAt,
            &QOlmBase::listClear,
            &QOlmBase::listReplace,
            &QOlmBase::listRemoveLast};
}

void QOlmBase::listAppend(QQmlListProperty<QObject> *property, QObject *child)
{
    listOf(property)->appendDefaultChild(child);
}

qsizetype QOlmBase::listCount(QQmlListProperty<QObject> *property)
{
    return listOf(property)->defaultChildrenCount();
}

QObject *QOlmBase::listAt(QQmlListProperty<QObject> *property, qsizetype index)
{
    return listOf(property)->defaultChildAt(index);
}

void QOlmBase::listClear(QQmlListProperty<QObject> *property)
{
    listOf(property)->clearDefaultChildren();
}

void QOlmBase::listReplace(QQmlListProperty<QObject> *property, qsizetype index, QObject *child)
{
    listOf(property)->replaceDefaultChild(index, child);
}

void QOlmBase::listRemoveLast(QQmlListProperty<QObject> *property)
{
    listOf(property)->removeLastDefaultChild();
}

} // namespace qolm
