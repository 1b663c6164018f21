#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// The standard folders of the user and the program for QML. A group is a
// sub-folder, relative to each base folder, that keeps one part of the program's
// files together; the folders that take the group are created when asked for.
class StandardPaths : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString group READ group WRITE setGroup NOTIFY groupChanged)

public:
    explicit StandardPaths(QObject *parent = nullptr);

    QString group() const { return m_group; }
    void setGroup(const QString &group);

    Q_INVOKABLE QString getHiddenUserDataPath(const QString &fileName = QString()) const;
    Q_INVOKABLE QString getUserDataPath(const QString &fileName = QString()) const;
    Q_INVOKABLE QString getConfigPath(const QString &fileName = QString()) const;
    Q_INVOKABLE QString getCachePath(const QString &fileName = QString()) const;
    Q_INVOKABLE QString getTempPath(const QString &fileName = QString()) const;
    Q_INVOKABLE QString getDownloadsPath(const QString &fileName = QString()) const;
    Q_INVOKABLE QString getResourcePath(const QString &fileName = QString()) const;
    Q_INVOKABLE QString getApplicationPath() const;

    // A new object whose group is this group's sub-folder subGroup.
    Q_INVOKABLE StandardPaths *subGroup(const QString &subGroup, QObject *parent = nullptr) const;

signals:
    void groupChanged();

private:
    enum class Grouping { WithGroup, WithoutGroup };
    QString pathIn(const QString &base, Grouping grouping, const QString &fileName) const;

    QString m_group;
};
