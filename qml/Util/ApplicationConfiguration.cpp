#include "ApplicationConfiguration.h"

#include "StandardPaths.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QLoggingCategory>
#include <QQmlEngine>

namespace {
Q_LOGGING_CATEGORY(lcConfiguration, "ApplicationConfiguration")

const QString kFileName = QStringLiteral("appconfig.json");
} // namespace

ApplicationConfiguration *ApplicationConfiguration::create(QQmlEngine *qmlEngine, QJSEngine *)
{
    return new ApplicationConfiguration(qmlEngine);
}

ApplicationConfiguration::ApplicationConfiguration(QObject *parent)
    : QObject(parent)
{
    // Asking for the path also creates the configuration folder.
    QString path = StandardPaths().getConfigPath(kFileName);
    if (!QFile::exists(path))
        path = QStringLiteral(":/") + kFileName; // a configuration compiled into the program, if any
    readFrom(path);
}

bool ApplicationConfiguration::readFrom(const QString &filePath)
{
    m_configuration = QJsonObject();
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcConfiguration) << "Could not open config file";
        return false;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        qCWarning(lcConfiguration) << "Configuration file is not correctly formatted.";
        return false;
    }
    m_configuration = document.object();
    return true;
}

QVariant ApplicationConfiguration::getConfiguration(const QString &key) const
{
    const auto value = m_configuration.constFind(key);
    if (value == m_configuration.constEnd())
        return {};
    return value->toVariant();
}
