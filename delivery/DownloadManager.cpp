#include "DownloadManager.h"

#include "StorageErrorDocument.h"

#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QPromise>
#include <QSaveFile>

#include <array>
#include <limits>

namespace {

constexpr qint64 kChunkSize = 4096;
// Enough to hold the storage's error document; the rest of an error body is dropped.
constexpr qsizetype kErrorBodyLimit = 4096;

bool hasErrorStatus(const QNetworkReply *reply)
{
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() >= 400;
}

bool writeAll(QIODevice &output, const char *data, qint64 size)
{
    while (size > 0) {
        const qint64 written = output.write(data, size);
        if (written < 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

} // namespace

struct DownloadManager::PendingDownload
{
    QPromise<DownloadResult> promise;
    std::unique_ptr<QSaveFile> output;
    QString filePath;
    // Only the first chunk of a download can be the storage's error document.
    bool firstChunkChecked = false;
    // The body of a reply with an error status, kept only to read the storage's code.
    QByteArray errorBody;
    bool errorBodyChecked = false;
    bool failed = false;
    // The progress range and the last value reported through the future.
    int progressMaximum = -1;
    int progressReported = -1;
};

DownloadManager::DownloadManager(QObject *parent)
    : QObject(parent)
    , m_networkManager(new QNetworkAccessManager(this))
{
    m_networkManager->setTransferTimeout(int(kDefaultTransferTimeout.count()));
}

DownloadManager::~DownloadManager() = default;

DownloadManager *DownloadManager::instance()
{
    // Deliberately never destroyed: downloads may still be under way at exit.
    static DownloadManager *const manager = new DownloadManager();
    return manager;
}

void DownloadManager::setTransferTimeout(std::chrono::milliseconds timeout)
{
    m_networkManager->setTransferTimeout(int(timeout.count()));
}

QFuture<DownloadResult> DownloadManager::downloadToFile(const QUrl &url, const QString &filePath)
{
    auto download = std::make_unique<PendingDownload>();
    download->filePath = filePath;
    download->promise.start();
    QFuture<DownloadResult> future = download->promise.future();

    download->output = std::make_unique<QSaveFile>(filePath);
    if (filePath.isEmpty() || !download->output->open(QIODevice::WriteOnly)) {
        download->promise.addResult(DownloadResult{tr("Could not open output file"), {}, false});
        download->promise.finish();
        return future;
    }

    QNetworkReply *reply = m_networkManager->get(QNetworkRequest(url));
    connect(reply, &QNetworkReply::finished, this, &DownloadManager::onRequestFinished);
    connect(reply, &QNetworkReply::downloadProgress, this, &DownloadManager::onRequestProgress);
    connect(reply, &QNetworkReply::errorOccurred, this, &DownloadManager::onRequestError);
    connect(reply, &QNetworkReply::readyRead, this, &DownloadManager::onRequestReadyRead);
    m_pending.emplace(reply, std::move(download));
    return future;
}

DownloadManager::PendingDownload *DownloadManager::pendingFor(QObject *reply) const
{
    const auto it = m_pending.find(reply);
    return it == m_pending.end() ? nullptr : it->second.get();
}

void DownloadManager::onRequestReadyRead()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    PendingDownload *download = pendingFor(reply);
    if (!download)
        return;
    if (download->failed) {
        reply->skip(reply->bytesAvailable());
        return;
    }
    if (!writeReplyData(*download, reply))
        failWriting(*download, reply);
}

void DownloadManager::failWriting(PendingDownload &download, QNetworkReply *reply)
{
    download.promise.addResult(DownloadResult{tr("Could not write to file"), {}, false});
    download.failed = true;
    // A reply with an error status already ends in its own error and carries only a
    // short page, which is drained; any other transfer is stopped at once. The abort
    // runs onRequestError and onRequestFinished before it returns, and the finish
    // releases `download`: nothing may touch it afterwards.
    if (!hasErrorStatus(reply))
        reply->abort();
}

bool DownloadManager::writeReplyData(PendingDownload &download, QNetworkReply *reply)
{
    if (hasErrorStatus(reply))
        return collectErrorBody(download, reply);

    std::array<char, kChunkSize> buffer;
    for (;;) {
        const qint64 size = reply->read(buffer.data(), kChunkSize);
        if (size <= 0)
            return true;
        if (!download.firstChunkChecked) {
            download.firstChunkChecked = true;
            if (const auto code = storageErrorCode(QByteArray::fromRawData(buffer.data(), size))) {
                qDebug() << "Error occured while downloading from Azure:" << *code;
                return false;
            }
        }
        if (!writeAll(*download.output, buffer.data(), size))
            return false;
    }
}

// An error reply's body is never written: it is read only for the storage's error
// code, which may arrive over several reads.
bool DownloadManager::collectErrorBody(PendingDownload &download, QNetworkReply *reply)
{
    while (reply->bytesAvailable() > 0) {
        const QByteArray data = reply->read(kChunkSize);
        if (data.isEmpty())
            break;
        if (download.errorBody.size() < kErrorBodyLimit)
            download.errorBody.append(data.left(kErrorBodyLimit - download.errorBody.size()));
    }
    if (download.errorBodyChecked)
        return true;
    if (const auto code = storageErrorCode(download.errorBody)) {
        download.errorBodyChecked = true;
        qDebug() << "Error occured while downloading from Azure:" << *code;
        return false;
    }
    download.errorBodyChecked = download.errorBody.size() >= kErrorBodyLimit;
    return true;
}

void DownloadManager::onRequestError(QNetworkReply::NetworkError)
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (PendingDownload *download = pendingFor(reply))
        download->promise.addResult(DownloadResult{reply->errorString(), {}, false});
}

void DownloadManager::onRequestProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    PendingDownload *download = pendingFor(sender());
    if (!download)
        return;
    // The future counts progress in int: larger files are scaled down to fit.
    constexpr qint64 intMax = std::numeric_limits<int>::max();
    const qint64 divisor = bytesTotal > intMax ? bytesTotal / intMax + 1 : 1;
    // Setting the range sets the future's value back to 0, after which a value already
    // reported would be reported again: the range is set when it changes, and only a
    // value above the last one reported is passed on. A reply may repeat its count.
    const int maximum = int(qMax<qint64>(bytesTotal, 0) / divisor);
    if (maximum != download->progressMaximum) {
        download->progressMaximum = maximum;
        download->promise.setProgressRange(0, maximum);
    }
    const int value = int(qMin(bytesReceived / divisor, intMax));
    if (value <= download->progressReported)
        return;
    download->progressReported = value;
    download->promise.setProgressValue(value);
}

void DownloadManager::onRequestFinished()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    const auto it = m_pending.find(reply);
    if (it == m_pending.end())
        return;
    // Taken out first: a continuation of the future may start the next download.
    std::unique_ptr<PendingDownload> download = std::move(it->second);
    m_pending.erase(it);
    reply->deleteLater();

    if (reply->error() == QNetworkReply::NoError && !download->failed) {
        if (writeReplyData(*download, reply) && download->output->commit()) {
            const QVariant contentType = reply->header(QNetworkRequest::ContentTypeHeader);
            download->promise.addResult(DownloadResult{
                download->filePath, contentType.isNull() ? QString() : contentType.toString(), true});
        } else {
            download->promise.addResult(DownloadResult{tr("Could not write to file"), {}, false});
            download->failed = true;
        }
    }
    // An uncommitted temporary file is removed here, and the target stays untouched.
    download->output.reset();
    download->promise.finish();
}
