#include "LogHeader.h"

#include "LogFileReader.h"

#include <QFile>
#include <QLoggingCategory>

#include <exception>
#include <fstream>

Q_LOGGING_CATEGORY(lcLogHeader, "Logs.LogHeader")

namespace logheader {

std::optional<Values> read(const QString &path, QString *error)
{
    const auto fail = [error](const QString &reason) -> std::optional<Values> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    std::ifstream stream(QFile::encodeName(path).toStdString(), std::ios_base::in | std::ios_base::binary);
    if (!stream.is_open())
        return fail(QStringLiteral("The file cannot be opened"));
    try {
        const LogFileReader reader(stream);
        if (!reader.metadata())
            return fail(QStringLiteral("The log has no metadata"));
        Values values;
        for (const auto &[key, value] : *reader.metadata())
            values.insert(QString::fromStdString(key), QString::fromStdString(value));
        return values;
    } catch (const std::exception &e) {
        return fail(QString::fromStdString(e.what()));
    }
}

} // namespace logheader

QString readLogHeaderValue(const QString &path, const QString &key)
{
    QString error;
    const std::optional<logheader::Values> values = logheader::read(path, &error);
    if (values && values->contains(key))
        return values->value(key);
    if (!values)
        qCDebug(lcLogHeader).noquote() << error;
    qCDebug(lcLogHeader).noquote() << "Log header did not contain:" << key;
    return QString();
}
