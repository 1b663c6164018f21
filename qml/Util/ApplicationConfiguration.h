#pragma once

#include <QJsonObject>
#include <QObject>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

class QJSEngine;
class QQmlEngine;

// The optional application configuration "appconfig.json" of the configuration
// folder, read once when QML first asks for it. Its keys belong to whoever writes
// the file; a missing or broken file leaves the configuration empty.
class ApplicationConfiguration : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    static ApplicationConfiguration *create(QQmlEngine *qmlEngine, QJSEngine *jsEngine);

    // Reads the configuration file at once; a missing or broken one is logged.
    explicit ApplicationConfiguration(QObject *parent = nullptr);

    // The value of key, or an invalid variant (undefined in QML) when there is none.
    Q_INVOKABLE QVariant getConfiguration(const QString &key = QString()) const;

    // Reads the configuration from the given file; false (and an empty
    // configuration) when it cannot be opened or is not a JSON object.
    bool readFrom(const QString &filePath);

private:
    QJsonObject m_configuration;
};
