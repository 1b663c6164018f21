#pragma once

#include "DownloadResult.h"

#include <QFuture>
#include <QNetworkReply>
#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>
#include <memory>
#include <unordered_map>

class QNetworkAccessManager;

// Fetches files from the maker's download storage. Each download streams its body
// into a temporary file beside the target, which takes the target's name only once
// the whole body has arrived and been written: a cut, failed or refused download
// never leaves anything under the final name, and an older file stays as it was.
//
// The returned future receives zero or more failure results and at most one success
// result, in order of arrival, plus the progress, and finishes exactly once. Lives on
// the main thread; its slots run there through the event loop.
class DownloadManager : public QObject
{
    Q_OBJECT

public:
    // A transfer that receives nothing for this long is ended as failed, so a stalled
    // connection cannot hold a caller's download open for ever.
    static constexpr std::chrono::milliseconds kDefaultTransferTimeout{60000};

    explicit DownloadManager(QObject *parent = nullptr);
    ~DownloadManager() override;

    // The process-wide manager, made by the first caller and never destroyed.
    static DownloadManager *instance();

    // GETs `url` into `filePath`. When the file cannot be made the future holds the one
    // failure "Could not open output file", is finished, and no request is sent.
    QFuture<DownloadResult> downloadToFile(const QUrl &url, const QString &filePath);

    void setTransferTimeout(std::chrono::milliseconds timeout);

private slots:
    void onRequestFinished();
    void onRequestProgress(qint64 bytesReceived, qint64 bytesTotal);
    void onRequestError(QNetworkReply::NetworkError code);
    void onRequestReadyRead();

private:
    struct PendingDownload;

    PendingDownload *pendingFor(QObject *reply) const;
    bool writeReplyData(PendingDownload &download, QNetworkReply *reply);
    bool collectErrorBody(PendingDownload &download, QNetworkReply *reply);
    void failWriting(PendingDownload &download, QNetworkReply *reply);

    QNetworkAccessManager *m_networkManager = nullptr;
    std::unordered_map<const QObject *, std::unique_ptr<PendingDownload>> m_pending;
};
