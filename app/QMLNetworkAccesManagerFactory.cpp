#include "QMLNetworkAccesManagerFactory.h"

#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QStandardPaths>

QNetworkAccessManager *QMLNetworkAccesManagerFactory::create(QObject *parent)
{
    auto *manager = new QNetworkAccessManager(parent);
    auto *cache = new QNetworkDiskCache(manager);
    cache->setCacheDirectory(QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
    cache->setMaximumCacheSize(kMaximumCacheSize);
    manager->setCache(cache);
    if (parent)
        manager->moveToThread(parent->thread());
    return manager;
}
