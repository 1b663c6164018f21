#pragma once

#include <QQmlNetworkAccessManagerFactory>

// Gives every network access manager of the QML engine a disk cache in the
// program's cache folder.
class QMLNetworkAccesManagerFactory : public QQmlNetworkAccessManagerFactory
{
public:
    static constexpr qint64 kMaximumCacheSize = 1000000000;

    QNetworkAccessManager *create(QObject *parent) override;
};
