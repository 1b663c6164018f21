#include "LogParseWorker.h"

#include "FileFormatException.h"
#include "LogConverter.h"
#include "LogFileReader.h"

#include <QLoggingCategory>

#include <fstream>
#include <iostream>
#include <optional>

Q_LOGGING_CATEGORY(lcLogParseWorker, "Logs.LogParseWorker")

namespace {

// Thrown from the progress report once the parser asked its worker to stop.
struct ConversionCancelled
{
};

// A file URL, or a plain path that a caller passed as a URL.
std::optional<QString> localPath(const QUrl &url)
{
    if (url.isLocalFile())
        return url.toLocalFile();
    if (url.scheme().isEmpty() && !url.path().isEmpty())
        return url.path();
    return std::nullopt;
}

float overallProgress(ConversionStage stage, float fraction)
{
    switch (stage) {
    case ConversionStage::ReadData:
        return fraction * 0.5f;
    case ConversionStage::BuildArrays:
        return 0.5f + fraction * 0.25f;
    case ConversionStage::WriteFile:
        return 0.75f + fraction * 0.25f;
    case ConversionStage::Prepare:
        break;
    }
    return 0;
}

} // namespace

LogParseWorker::LogParseWorker(std::shared_ptr<std::atomic_bool> cancelled)
    : m_cancelled(std::move(cancelled))
{
}

void LogParseWorker::finish(const QUrl &fileUrl, const QUrl &outputLocation, bool succeeded, const QString &message)
{
    // The progress ends at 1 whatever the outcome, so that a caller waiting for the
    // end of a conversion sees it; the outcome itself comes with conversionFinished.
    // A successful conversion has reported its 1 already.
    if (!succeeded)
        emit progressChanged(ConversionStage::WriteFile, 1.0f);
    emit conversionFinished(fileUrl, outputLocation, succeeded, message);
}

void LogParseWorker::parseLog(const QUrl &fileUrl, const QUrl &outputLocation)
{
    if (*m_cancelled)
        return;
    const auto filePath = localPath(fileUrl);
    if (!filePath) {
        qCDebug(lcLogParseWorker, "file is not local to this machine, network locations not supported at the moment");
        finish(fileUrl, outputLocation, false, QStringLiteral("The log file is not on this machine"));
        return;
    }
    m_fileBeingParsed = filePath->toUtf8();
    std::ifstream stream(m_fileBeingParsed.toStdString(), std::ios_base::in | std::ios_base::binary);
    if (!stream.is_open()) {
        qCDebug(lcLogParseWorker, "failed to open parsefile");
        finish(fileUrl, outputLocation, false, QStringLiteral("The log file could not be opened"));
        return;
    }

    const auto report = [this](ConversionStage stage, float fraction) {
        if (*m_cancelled)
            throw ConversionCancelled{};
        if (stage != ConversionStage::Prepare)
            emit progressChanged(stage, overallProgress(stage, fraction));
    };

    try {
        const LogFileReader reader(stream);
        const std::string outputPath = localPath(outputLocation).value_or(QString()).toUtf8().toStdString();
        LogConverter::convertToMat(outputPath, reader, report);
        finish(fileUrl, outputLocation, true, {});
    } catch (const ConversionCancelled &) {
        qCDebug(lcLogParseWorker, "conversion cancelled");
    } catch (const FileFormatException &e) {
        qCDebug(lcLogParseWorker, "Log file is malformed");
        finish(fileUrl, outputLocation, false,
               QStringLiteral("Log file is malformed: ") + QString::fromStdString(e.what()));
    } catch (const std::ios_base::failure &e) {
        std::cerr << "Reading error: " << e.what() << std::endl;
        finish(fileUrl, outputLocation, false, QStringLiteral("Reading error: ") + QString::fromStdString(e.what()));
    } catch (const std::exception &e) {
        std::cerr << "Parsing error: " << e.what() << std::endl;
        finish(fileUrl, outputLocation, false, QStringLiteral("Parsing error: ") + QString::fromStdString(e.what()));
    }
}
