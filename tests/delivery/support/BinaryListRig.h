#pragma once

#include "AppBinaryManager.h"
#include "ApplicationFolders.h"
#include "ErrorHandler.h"
#include "NotificationMsgProgressButton.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>

// A binary manager on folders of its own: the binaries folder and the manager's data
// folder below a fresh temporary folder, so that every test starts with an empty
// list. The trash is the desktop's, below XDG_DATA_HOME (the test's own).
struct BinaryListRig
{
    QTemporaryDir root;
    std::unique_ptr<ApplicationFolders> folders;
    std::unique_ptr<AppBinaryManager> manager;

    // withDataFolder false: the manager's data folder cannot be made.
    explicit BinaryListRig(bool withDataFolder = true)
    {
        ErrorHandler::instance()->clearNotifications();
        const QString base = root.path();
        QFile blocker(base + QStringLiteral("/blocker"));
        blocker.open(QIODevice::WriteOnly);
        ApplicationFolders::Locations locations;
        locations.home = [base] { return base + QStringLiteral("/home"); };
        locations.appData = [base, withDataFolder] {
            return withDataFolder ? base + QStringLiteral("/appdata") : base + QStringLiteral("/blocker/appdata");
        };
        locations.genericConfig = [base] { return QStringList{base + QStringLiteral("/config")}; };
        locations.genericData = [base] { return base + QStringLiteral("/data"); };
        folders = std::make_unique<ApplicationFolders>(locations);
        manager = std::make_unique<AppBinaryManager>(nullptr, *folders);
    }

    ~BinaryListRig()
    {
        manager.reset();
        ErrorHandler::instance()->clearNotifications();
    }

    QDir binaries() const { return QDir(manager->binariesFolder()); }
    QStringList binaryFiles() const
    {
        return binaries().entryList({QStringLiteral("*.hapbf")}, QDir::Files, QDir::Name);
    }

    static QDir trash()
    {
        return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                    + QStringLiteral("/Trash/files"));
    }
    static QStringList trashed() { return trash().entryList(QDir::Files, QDir::Name); }
    static void emptyTrash()
    {
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Trash"))
            .removeRecursively();
    }

    int count() const { return manager->appFiles()->count(); }
    AppFile *at(int row) const { return manager->appFiles()->at(row); }
    QStringList applicationNames() const
    {
        QStringList names;
        for (int row = 0; row < count(); ++row)
            names << at(row)->getApplicationName();
        names.sort();
        return names;
    }

    // The current prompt of the upload flow, or null.
    NotificationMsgProgressButton *prompt() const
    {
        return qobject_cast<NotificationMsgProgressButton *>(
            ErrorHandler::instance()->notification(manager->notificationKey()));
    }

    static QStringList titles()
    {
        QStringList list;
        for (const AbstractNotification *notification : ErrorHandler::instance()->getNotificationList())
            list << notification->getTitle();
        return list;
    }
};
