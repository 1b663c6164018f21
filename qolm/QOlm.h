#pragma once

#include "QOlmBase.h"

#include <QDebug>
#include <QHash>
#include <QList>
#include <QMetaMethod>
#include <QMetaObject>
#include <QMetaProperty>
#include <QSet>
#include <QString>

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace qolm {

// A list model of QObject-derived elements of one class, one row per element. The
// roles are "qtObject" (the element itself, 256), every property of the element
// class (257 + property index) and, when a display property is named, "display"
// (0). Every notify signal of an element becomes a dataChanged of its row.
//
// An element without a parent becomes a child of the list when it is added and is
// deleted (later) when it leaves the list; an element with another parent is only
// disconnected. An element is listed at most once, and an element deleted by its
// owner leaves the list at once, so no row ever hands out a deleted object.
template<class T>
class QOlm : public QOlmBase
{
    static_assert(std::is_base_of_v<QObject, T>, "QOlm elements are QObjects");

public:
    explicit QOlm(QObject *parent = nullptr, const QList<QByteArray> &exposedRoles = {},
                  const QByteArray &displayRole = {});

    T *at(int index) const;
    int indexOf(T *element) const;
    void append(T *element);
    void append(const QList<T *> &elements);
    void prepend(const QList<T *> &elements);
    void insert(int index, T *element);
    void insert(int index, const QList<T *> &elements);
    void remove(T *element);
    void remove(const QList<T *> &elements);
    void remove(int index, int count);
    void clear() override;

    int count() const override { return cachedCount; }
    QObject *get(QJSValue index) const override { return at(index.toInt()); }
    int indexOf(QJSValue object) const override;
    bool contains(QJSValue object) const override;
    int roleForName(const QByteArray &name) const override;
    void append(QJSValue object) override;
    void prepend(QJSValue item) override;
    void insert(int index, QJSValue item) override;
    void remove(QJSValue value) override;
    void move(int from, int to) override;
    void moveDown(int index) override;
    void moveUp(int index) override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    QHash<int, QByteArray> roleNames() const override { return roles; }

    // "QOlm<" + the element class name + ">", the head of most warnings.
    static const QString &typeName();
    static const QSet<QByteArray> &reservedRoleNames();

protected:
    // Points at which a subclass may follow the list's changes.
    virtual void beforeInsert(T * /*element*/, int /*row*/) {}
    virtual void afterInsert(T * /*element*/, int /*row*/) {}
    virtual void beforeMove(T * /*element*/, int /*from*/, int /*to*/) {}
    virtual void afterMove(T * /*element*/, int /*from*/, int /*to*/) {}
    virtual void beforeRemove(T * /*element*/, int /*row*/) {}
    virtual void afterRemove(T * /*element*/, int /*row*/) {}

    void onItemPropertyChanged() override;
    void onElementDestroyed(QObject *object) override;

    void appendDefaultChild(QObject *child) override;
    qsizetype defaultChildrenCount() const override { return defaultChildObjects.size(); }
    QObject *defaultChildAt(qsizetype index) const override;
    void clearDefaultChildren() override;
    void replaceDefaultChild(qsizetype index, QObject *child) override;
    void removeLastDefaultChild() override;

private:
    // The texts of one operation that takes JavaScript values, for its warnings.
    struct JsForm
    {
        const char *verb;
        const char *arrayVerb;
        const char *tail;
    };
    static constexpr JsForm appendForm{": Fail to append", ": Fail to append ",
                                       ", item isn't a QObject, an array of QObject"};
    static constexpr JsForm prependForm{": Fail to prepend", ": Fail to prepend ",
                                        ", item isn't a QObject, an array of QObject"};
    static constexpr JsForm insertForm{": Fail to insert", ": Fail to insert ",
                                       ", item isn't a QObject, an array of QObject"};
    static constexpr JsForm removeForm{": Fail to remove", ": Fail to remove",
                                       ", item isn't a QObject, an array of QObject or a number"};
    static constexpr JsForm indexOfForm{": Fail to get indexOf", nullptr, ", item isn't a QObject"};

    static const char *className() { return T::staticMetaObject.className(); }

    void insertElement(int row, T *element);
    void insertElements(int row, const QList<T *> &elements, bool attachEveryElement);
    int clampedInsertIndex(int index) const;
    bool isListed(const T *element) const { return element && objects.contains(element); }
    bool refuseListed(T *element) const;
    QList<T *> withoutListed(const QList<T *> &elements) const;
    void attachObject(T *element);
    void releaseObject(T *element);
    void updateCount();
    void warnNotAnElement(const JsForm &form, const QJSValue &value, bool inArray) const;
    // The elements of a JavaScript array that are T; the others are refused with a warning.
    QList<T *> elementsOfArray(const QJSValue &array, const JsForm &form) const;
    // The T a JavaScript value holds; null (with the cast warning) for another object.
    T *elementOf(const QJSValue &value, const JsForm &form) const;
    void warnDefaultChild(QObject *child) const;

    int cachedCount = 0;
    QByteArray displayRoleName;
    QMetaObject elementMetaObject;
    QMetaMethod itemChangedMethod;
    QHash<int, QByteArray> roles;
    QHash<int, int> notifySignalRoles;
    QList<T *> objects;
    QList<T *> defaultChildObjects;
};

// ---------------------------------------------------------------------------------

template<class T>
const QString &QOlm<T>::typeName()
{
    static const QString name = QStringLiteral("QOlm<%1>").arg(QLatin1String(className()));
    return name;
}

template<class T>
const QSet<QByteArray> &QOlm<T>::reservedRoleNames()
{
    static const QSet<QByteArray> names{"id", "index", "class", "model", "modelData"};
    return names;
}

template<class T>
QOlm<T>::QOlm(QObject *parent, const QList<QByteArray> &exposedRoles, const QByteArray &displayRole)
    : QOlmBase(parent)
    , displayRoleName(displayRole)
    , elementMetaObject(T::staticMetaObject)
{
    const QMetaObject *own = metaObject();
    itemChangedMethod = own->method(own->indexOfMethod("onItemPropertyChanged()"));

    if (!displayRoleName.isEmpty())
        roles.insert(Qt::DisplayRole, QByteArrayLiteral("display"));
    roles.insert(Qt::UserRole, QByteArrayLiteral("qtObject"));

    for (int k = 0; k < elementMetaObject.propertyCount(); ++k) {
        const QMetaProperty property = elementMetaObject.property(k);
        const QByteArray name = property.name();
        const int role = Qt::UserRole + 1 + k;
        if (reservedRoleNames().contains(name)) {
            qWarning() << "Can't have" << name << "as a role name in" << qPrintable(typeName())
                       << ", because it's a blacklisted keywork in QML!. Please don't use any of the "
                          "following words when declaring your Q_PROPERTY:(id, index, class, model, modelData)";
            continue;
        }
        if (!exposedRoles.isEmpty() && !exposedRoles.contains(name))
            continue;
        roles.insert(role, name);
        if (property.hasNotifySignal())
            notifySignalRoles.insert(property.notifySignalIndex(), role);
    }
}

// --- reading ----------------------------------------------------------------------

template<class T>
T *QOlm<T>::at(int index) const
{
    if (index < 0 || index >= objects.size()) {
        qWarning() << "The index" << index << "is out of bound.";
        return nullptr;
    }
    return objects.at(index);
}

template<class T>
int QOlm<T>::indexOf(T *element) const
{
    if (!element) {
        qWarning() << "Can't find the index of a nullptr QObject";
        return -1;
    }
    const auto row = objects.indexOf(element);
    if (row < 0)
        qWarning() << "The QObject" << element << "isn't in this qolm::QOlm list.";
    return int(row);
}

template<class T>
int QOlm<T>::roleForName(const QByteArray &name) const
{
    for (auto it = roles.cbegin(); it != roles.cend(); ++it) {
        if (it.value() == name)
            return it.key();
    }
    return -1;
}

template<class T>
int QOlm<T>::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(objects.size());
}

template<class T>
QVariant QOlm<T>::data(const QModelIndex &index, int role) const
{
    T *element = at(index.row());
    const QByteArray name = role == Qt::DisplayRole ? displayRoleName : roles.value(role);
    if (!element || name.isEmpty())
        return {};
    if (role == Qt::UserRole)
        return QVariant::fromValue(static_cast<QObject *>(element));
    return element->property(name.constData());
}

template<class T>
bool QOlm<T>::setData(const QModelIndex &index, const QVariant &value, int role)
{
    T *element = at(index.row());
    const QByteArray name = role == Qt::DisplayRole ? displayRoleName : roles.value(role);
    if (!element || role == Qt::UserRole || name.isEmpty())
        return false;
    // The element's notify signal reports the change.
    return element->setProperty(name.constData(), value);
}

// --- adding -----------------------------------------------------------------------

template<class T>
void QOlm<T>::append(T *element)
{
    if (!element) {
        qWarning() << "Can't append a null Object";
        return;
    }
    if (refuseListed(element))
        return;
    insertElement(int(objects.size()), element);
}

template<class T>
void QOlm<T>::append(const QList<T *> &elements)
{
    if (elements.isEmpty()) {
        qWarning() << "Can't append an empty list";
        return;
    }
    insertElements(int(objects.size()), withoutListed(elements), true);
}

template<class T>
void QOlm<T>::prepend(const QList<T *> &elements)
{
    if (elements.isEmpty()) {
        qWarning() << "Can't prepend an empty list";
        return;
    }
    insertElements(0, withoutListed(elements), false);
}

template<class T>
void QOlm<T>::insert(int index, T *element)
{
    const int row = clampedInsertIndex(index);
    if (!element) {
        qWarning() << "Can't insert a null Object";
        return;
    }
    if (refuseListed(element))
        return;
    insertElement(row, element);
}

template<class T>
void QOlm<T>::insert(int index, const QList<T *> &elements)
{
    if (elements.isEmpty()) {
        qWarning() << "Can't insert an empty list";
        return;
    }
    insertElements(clampedInsertIndex(index), withoutListed(elements), false);
}

template<class T>
int QOlm<T>::clampedInsertIndex(int index) const
{
    if (index > cachedCount) {
        qWarning() << "index " << index << " is greater than count " << cachedCount << ". "
                   << "The item will be inserted at the end of the list";
        return cachedCount;
    }
    if (index < 0) {
        qWarning() << "index " << index << " is lower than 0. "
                   << "The item will be inserted at the beginning of the list";
        return 0;
    }
    return index;
}

template<class T>
bool QOlm<T>::refuseListed(T *element) const
{
    if (!isListed(element))
        return false;
    qWarning() << typeName() << ": Can't add" << element << ", it is already in the list";
    return true;
}

template<class T>
QList<T *> QOlm<T>::withoutListed(const QList<T *> &elements) const
{
    QSet<const T *> seen(objects.cbegin(), objects.cend());
    QList<T *> kept;
    kept.reserve(elements.size());
    for (T *element : elements) {
        if (element && seen.contains(element)) {
            qWarning() << typeName() << ": Can't add" << element << ", it is already in the list";
            continue;
        }
        if (element)
            seen.insert(element);
        kept.append(element); // a null entry becomes a row without element
    }
    return kept;
}

template<class T>
void QOlm<T>::insertElement(int row, T *element)
{
    beforeInsert(element, row);
    beginInsertRows(QModelIndex(), row, row);
    objects.insert(row, element);
    attachObject(element);
    updateCount();
    endInsertRows();
    afterInsert(element, row);
    emit objectInserted(element, row);
}

template<class T>
void QOlm<T>::insertElements(int row, const QList<T *> &elements, bool attachEveryElement)
{
    const int n = int(elements.size());
    if (n == 0)
        return;
    for (int j = 0; j < n; ++j)
        beforeInsert(elements.at(j), row + j);
    beginInsertRows(QModelIndex(), row, row + n - 1);
    objects.reserve(objects.size() + n);
    objects.insert(row, n, nullptr);
    std::copy(elements.cbegin(), elements.cend(), objects.begin() + row);
    // Appending also re-adopts earlier elements that lost their parent; the
    // connections are unique, so nothing is doubled.
    for (T *element : attachEveryElement ? objects : elements)
        attachObject(element);
    updateCount();
    endInsertRows();
    for (int j = 0; j < n; ++j) {
        afterInsert(elements.at(j), row + j);
        emit objectInserted(elements.at(j), row + j);
    }
}

template<class T>
void QOlm<T>::attachObject(T *element)
{
    if (!element)
        return;
    if (!element->parent())
        element->setParent(this);
    const QMetaObject *elementClass = element->metaObject();
    for (auto it = notifySignalRoles.cbegin(); it != notifySignalRoles.cend(); ++it) {
        QObject::connect(element, elementClass->method(it.key()), this, itemChangedMethod,
                         Qt::ConnectionType(Qt::AutoConnection | Qt::UniqueConnection));
    }
    connect(element, &QObject::destroyed, this, &QOlm::onElementDestroyed, Qt::UniqueConnection);
}

template<class T>
void QOlm<T>::updateCount()
{
    if (objects.size() == cachedCount)
        return;
    cachedCount = int(objects.size());
    emit countChanged(cachedCount);
}

// --- removing ---------------------------------------------------------------------

template<class T>
void QOlm<T>::releaseObject(T *element)
{
    QObject::disconnect(element, nullptr, this, nullptr);
    QObject::disconnect(this, nullptr, element, nullptr);
    // A default child that left the list is no default child any more: keeping it
    // would hand out an object that is about to be deleted.
    defaultChildObjects.removeAll(element);
    if (element->parent() == this)
        element->deleteLater();
}

template<class T>
void QOlm<T>::remove(int index, int count)
{
    if (index < 0 || count < 1 || qint64(index) + count - 1 >= objects.size()) {
        qWarning() << "Can't remove an object whose index is out of bound";
        return;
    }
    const QList<T *> before = objects;
    for (int j = 0; j < count; ++j)
        beforeRemove(before.at(index + j), index + j);
    beginRemoveRows(QModelIndex(), index, index + count - 1);
    for (int j = 0; j < count; ++j) {
        if (T *element = objects.takeAt(index))
            releaseObject(element);
    }
    updateCount();
    endRemoveRows();
    for (int j = 0; j < count; ++j) {
        afterRemove(before.at(index + j), index + j);
        emit objectRemoved(before.at(index + j), index + j);
    }
}

template<class T>
void QOlm<T>::remove(T *element)
{
    if (!element) {
        qWarning() << "Fail to remove nullptr object from QOlm<" << className() << ">";
        return;
    }
    remove(indexOf(element), 1);
}

template<class T>
void QOlm<T>::remove(const QList<T *> &elements)
{
    for (T *element : elements)
        remove(element);
}

template<class T>
void QOlm<T>::clear()
{
    if (objects.isEmpty())
        return;
    const QList<T *> before = objects;
    const int n = int(before.size());
    for (int i = 0; i < n; ++i)
        beforeRemove(before.at(i), i);
    beginRemoveRows(QModelIndex(), 0, n - 1);
    for (T *element : before) {
        if (element)
            releaseObject(element);
    }
    objects.clear();
    updateCount();
    endRemoveRows();
    for (int i = 0; i < n; ++i) {
        afterRemove(before.at(i), i);
        emit objectRemoved(before.at(i), i);
    }
}

template<class T>
void QOlm<T>::onElementDestroyed(QObject *object)
{
    // Only the address is compared: the element is already half destroyed, so it
    // is neither touched nor handed to anyone.
    const auto isGone = [object](T *element) { return static_cast<QObject *>(element) == object; };
    defaultChildObjects.removeIf(isGone);
    for (int row = int(objects.size()) - 1; row >= 0; --row) {
        if (!isGone(objects.at(row)))
            continue;
        beginRemoveRows(QModelIndex(), row, row);
        objects.removeAt(row);
        updateCount();
        endRemoveRows();
    }
}

// --- moving -----------------------------------------------------------------------

template<class T>
void QOlm<T>::move(int from, int to)
{
    if (from < 0 || from >= cachedCount) {
        qWarning() << "'From'" << from << "is out of bound";
        return;
    }
    const int bounded = std::clamp(to, 0, cachedCount - 1);
    if (bounded != to)
        qWarning() << "'to'" << to << " in move operation have been clamped to" << bounded;
    if (from == bounded) {
        qWarning() << "Can't move object from" << from << "to" << bounded << "because from == to";
        return;
    }
    T *element = objects.at(from);
    beforeMove(element, from, bounded);
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), from < bounded ? bounded + 1 : bounded);
    objects.move(from, bounded);
    endMoveRows();
    afterMove(element, from, bounded);
    emit objectMoved(element, from, bounded);
}

template<class T>
void QOlm<T>::moveDown(int index)
{
    if (cachedCount != 0 && index >= 0 && index < cachedCount - 1)
        move(index, index + 1);
    else
        qWarning() << "The index is the last of the list or index is out of bound";
}

template<class T>
void QOlm<T>::moveUp(int index)
{
    if (index > 0 && index < cachedCount)
        move(index, index - 1);
    else
        qWarning() << "The index is the first of the list or index is out of bound";
}

// --- element changes --------------------------------------------------------------

template<class T>
void QOlm<T>::onItemPropertyChanged()
{
    T *element = qobject_cast<T *>(sender());
    const int row = element ? int(objects.indexOf(element)) : -1;
    const int role = notifySignalRoles.value(senderSignalIndex(), -1);
    if (row < 0 || role < 0)
        return;
    QList<int> changed{role};
    if (roles.value(role) == displayRoleName)
        changed.append(Qt::DisplayRole);
    const QModelIndex changedIndex = index(row, 0);
    emit dataChanged(changedIndex, changedIndex, changed);
}

// --- JavaScript forms -------------------------------------------------------------

template<class T>
void QOlm<T>::warnNotAnElement(const JsForm &form, const QJSValue &value, bool inArray) const
{
    qWarning() << typeName() << (inArray ? form.arrayVerb : form.verb) << value.toString() << ", item isn't a"
               << className() << "derived class";
}

template<class T>
T *QOlm<T>::elementOf(const QJSValue &value, const JsForm &form) const
{
    T *element = qobject_cast<T *>(value.toQObject());
    if (!element)
        warnNotAnElement(form, value, false);
    return element;
}

template<class T>
QList<T *> QOlm<T>::elementsOfArray(const QJSValue &array, const JsForm &form) const
{
    QList<T *> collected;
    // The length is read again after every element, as JavaScript code would.
    for (quint32 i = 0; i < array.property(QStringLiteral("length")).toUInt(); ++i) {
        const QJSValue item = array.property(i);
        if (!item.isQObject()) {
            qWarning() << typeName() << form.arrayVerb << item.toString() << ", item isn't QObject";
            continue;
        }
        if (T *element = qobject_cast<T *>(item.toQObject()))
            collected.append(element);
        else
            warnNotAnElement(form, item, true);
    }
    return collected;
}

template<class T>
void QOlm<T>::append(QJSValue object)
{
    if (object.isQObject()) {
        if (T *element = elementOf(object, appendForm))
            append(element);
    } else if (object.isArray()) {
        if (const QList<T *> elements = elementsOfArray(object, appendForm); !elements.isEmpty())
            append(elements);
    } else {
        qWarning() << typeName() << appendForm.verb << object.toString() << appendForm.tail;
    }
}

template<class T>
void QOlm<T>::prepend(QJSValue item)
{
    if (item.isQObject()) {
        if (T *element = elementOf(item, prependForm))
            insert(0, element);
    } else if (item.isArray()) {
        if (const QList<T *> elements = elementsOfArray(item, prependForm); !elements.isEmpty())
            prepend(elements);
    } else {
        qWarning() << typeName() << prependForm.verb << item.toString() << prependForm.tail;
    }
}

template<class T>
void QOlm<T>::insert(int index, QJSValue item)
{
    if (item.isQObject()) {
        if (T *element = elementOf(item, insertForm))
            insert(index, element);
    } else if (item.isArray()) {
        if (const QList<T *> elements = elementsOfArray(item, insertForm); !elements.isEmpty())
            insert(index, elements);
    } else {
        qWarning() << typeName() << insertForm.verb << item.toString() << insertForm.tail;
    }
}

template<class T>
void QOlm<T>::remove(QJSValue value)
{
    if (value.isNumber()) {
        // Truncated toward zero; what is no row at all (NaN, infinities, beyond
        // the int range) is refused like any other row outside the list.
        const double row = std::trunc(value.toNumber());
        const bool isRow = std::isfinite(row) && row >= -1.0 && row <= double(objects.size());
        remove(isRow ? int(row) : -1, 1);
    } else if (value.isQObject()) {
        if (T *element = elementOf(value, removeForm))
            remove(element);
    } else if (value.isArray()) {
        if (const QList<T *> elements = elementsOfArray(value, removeForm); !elements.isEmpty())
            remove(elements);
    } else {
        qWarning() << typeName() << removeForm.verb << value.toString() << removeForm.tail;
    }
}

template<class T>
int QOlm<T>::indexOf(QJSValue object) const
{
    if (!object.isQObject()) {
        qWarning() << typeName() << indexOfForm.verb << object.toString() << indexOfForm.tail;
        return -1;
    }
    T *element = elementOf(object, indexOfForm);
    return element ? indexOf(element) : -1;
}

template<class T>
bool QOlm<T>::contains(QJSValue object) const
{
    if (!object.isQObject()) {
        qWarning() << typeName() << indexOfForm.verb << object.toString() << indexOfForm.tail;
        return false;
    }
    T *element = elementOf(object, indexOfForm);
    return element && objects.contains(element);
}

// --- default children -------------------------------------------------------------

template<class T>
void QOlm<T>::warnDefaultChild(QObject *child) const
{
    if (child) {
        qWarning() << typeName() << ": Fail to append default child " << child->objectName() << ", that isn't a"
                   << className() << "derived class";
    } else {
        qWarning() << typeName() << ": Fail to append default child "
                   << "null"
                   << ", that isn't a" << className() << "derived class";
    }
}

template<class T>
void QOlm<T>::appendDefaultChild(QObject *child)
{
    T *element = qobject_cast<T *>(child);
    if (!element) {
        warnDefaultChild(child);
        return;
    }
    if (refuseListed(element))
        return;
    defaultChildObjects.append(element);
    append(element);
}

template<class T>
QObject *QOlm<T>::defaultChildAt(qsizetype index) const
{
    return index >= 0 && index < defaultChildObjects.size() ? defaultChildObjects.at(index) : nullptr;
}

template<class T>
void QOlm<T>::clearDefaultChildren()
{
    const QList<T *> children = defaultChildObjects;
    remove(children);
    defaultChildObjects.clear();
}

template<class T>
void QOlm<T>::replaceDefaultChild(qsizetype index, QObject *child)
{
    T *element = qobject_cast<T *>(child);
    if (!element)
        warnDefaultChild(child);
    if (index < 0 || index >= defaultChildObjects.size())
        return;
    T *old = defaultChildObjects.at(index);
    if (old && old == element)
        return; // removing it first would delete the very child that stays
    const int row = indexOf(old);
    defaultChildObjects[index] = element;
    if (old)
        remove(old);
    if (child)
        insert(row, element);
}

template<class T>
void QOlm<T>::removeLastDefaultChild()
{
    if (defaultChildObjects.isEmpty())
        return;
    if (T *last = defaultChildObjects.takeLast())
        remove(last);
    else
        qWarning() << "Fail to remove nullptr object from QOlm<" << className() << ">";
}

} // namespace qolm
