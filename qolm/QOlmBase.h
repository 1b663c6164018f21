#pragma once

#include <QAbstractListModel>
#include <QJSValue>
#include <QQmlListProperty>

namespace qolm {

// What QML sees of every object list: the count, the list operations that take
// JavaScript values, and the default property that collects the objects declared
// inside a list. The element-typed work is done by QOlm<T>.
class QOlmBase : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(int length READ count NOTIFY countChanged)
    Q_PROPERTY(int size READ count NOTIFY countChanged)
    Q_PROPERTY(QQmlListProperty<QObject> defaultChildren READ defaultChildren)
    Q_CLASSINFO("DefaultProperty", "defaultChildren")

public:
    explicit QOlmBase(QObject *parent = nullptr);

    QQmlListProperty<QObject> defaultChildren();

signals:
    void countChanged(int count);
    void objectInserted(QObject *object, int index);
    void objectRemoved(QObject *object, int index);
    void objectMoved(QObject *object, int from, int to);

public slots:
    virtual int count() const = 0;
    int size() const { return count(); }
    int length() const { return count(); }
    bool empty() const { return count() == 0; }
    virtual QObject *get(QJSValue index) const = 0;
    virtual int indexOf(QJSValue object) const = 0;
    virtual bool contains(QJSValue object) const = 0;
    virtual int roleForName(const QByteArray &name) const = 0;

    virtual void append(QJSValue object) = 0;
    virtual void prepend(QJSValue item) = 0;
    virtual void insert(int index, QJSValue item) = 0;
    virtual void remove(QJSValue value) = 0;
    virtual void clear() = 0;
    virtual void move(int index, int to) = 0;
    virtual void moveDown(int index) = 0;
    virtual void moveUp(int index) = 0;
    void moveNext(int index) { moveDown(index); }
    void movePrevious(int index) { moveUp(index); }

protected slots:
    virtual void onItemPropertyChanged() = 0;
    // An element that its owner deletes while it is listed must leave the list at
    // once, or the rows would hand out a dangling pointer.
    virtual void onElementDestroyed(QObject *object) = 0;

protected:
    virtual void appendDefaultChild(QObject *child) = 0;
    virtual qsizetype defaultChildrenCount() const = 0;
    virtual QObject *defaultChildAt(qsizetype index) const = 0;
    virtual void clearDefaultChildren() = 0;
    virtual void replaceDefaultChild(qsizetype index, QObject *child) = 0;
    virtual void removeLastDefaultChild() = 0;

private:
    static void listAppend(QQmlListProperty<QObject> *property, QObject *child);
    static qsizetype listCount(QQmlListProperty<QObject> *property);
    static QObject *listAt(QQmlListProperty<QObject> *property, qsizetype index);
    static void listClear(QQmlListProperty<QObject> *property);
    static void listReplace(QQmlListProperty<QObject> *property, qsizetype index, QObject *child);
    static void listRemoveLast(QQmlListProperty<QObject> *property);
};

} // namespace qolm
