#pragma once

#include <QObject>

// An element class for the list tests. Property indexes (and so the roles, 257 +
// index): objectName 0, fileName 1, a 2, b 3, title 4. a and b share one notify
// signal.
class Element : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString fileName READ fileName WRITE setFileName NOTIFY fileNameChanged)
    Q_PROPERTY(int a READ a WRITE setA NOTIFY sharedChanged)
    Q_PROPERTY(int b READ b WRITE setB NOTIFY sharedChanged)
    Q_PROPERTY(QString title READ title WRITE setTitle NOTIFY titleChanged)

public:
    explicit Element(const QString &name = QString(), QObject *parent = nullptr)
        : QObject(parent)
    {
        setObjectName(name);
    }

    QString fileName() const { return m_fileName; }
    void setFileName(const QString &fileName)
    {
        if (fileName != m_fileName) {
            m_fileName = fileName;
            emit fileNameChanged();
        }
    }
    int a() const { return m_a; }
    void setA(int a)
    {
        m_a = a;
        emit sharedChanged();
    }
    int b() const { return m_b; }
    void setB(int b)
    {
        m_b = b;
        emit sharedChanged();
    }
    QString title() const { return m_title; }
    void setTitle(const QString &title)
    {
        m_title = title;
        emit titleChanged();
    }

signals:
    void fileNameChanged();
    void sharedChanged();
    void titleChanged();

private:
    QString m_fileName;
    int m_a = 0;
    int m_b = 0;
    QString m_title;
};

// An element class with a property that QML reserves as a name: objectName 0,
// model 1 (never a role), fileName 2.
class ReservedNameElement : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int model READ model CONSTANT)
    Q_PROPERTY(QString fileName READ fileName CONSTANT)

public:
    int model() const { return 0; }
    QString fileName() const { return {}; }
};
