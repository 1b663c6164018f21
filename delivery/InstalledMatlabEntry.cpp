#include "InstalledMatlabEntry.h"

#include "AbstractNotification.h"
#include "ErrorHandler.h"
#include "MatlabHelper.h"
#include "NotificationMessage.h"
#include "SemanticVersion.h"
#include "ToolchainHandler.h"

#include <QDateTime>

InstalledMatlabEntry::InstalledMatlabEntry(QObject *parent, ToolchainHandler *handler, const QByteArray &matlabVersion)
    : QObject(parent)
    , m_matlabVersion(QString::fromLatin1(matlabVersion))
    , m_readableMatlabVersion(QString::fromLatin1(MatlabHelper::matlabVersionNumber(matlabVersion)))
    , m_handler(handler)
{
    m_toolchainVersion = QString::fromUtf8(handler->matlabHelper().toolchainVersions().value(matlabVersion));
}

bool InstalledMatlabEntry::newVersionAvailable() const
{
    if (m_latestToolchainVersion.isEmpty())
        return false;
    return SemanticVersion::compare(SemanticVersion::parse(m_toolchainVersion),
                                    SemanticVersion::parse(m_latestToolchainVersion));
}

QString InstalledMatlabEntry::installButtonText() const
{
    if (!isInstalled())
        return QStringLiteral("Install ") + m_latestToolchainVersion;
    if (newVersionAvailable())
        return QStringLiteral("Update to ") + m_latestToolchainVersion;
    return QStringLiteral("Reinstall");
}

void InstalledMatlabEntry::setToolchainVersion(const QString &version)
{
    m_toolchainVersion = version;
    emit InstalledToolchainVersionChanged();
}

void InstalledMatlabEntry::setLatestToolchainVersion(const QString &version)
{
    m_latestToolchainVersion = version;
    emit LatestToolchainVersionChanged();
}

void InstalledMatlabEntry::setPanelVisible(bool visible)
{
    m_panelVisible = visible;
    if (!visible) {
        if (m_busy && !ErrorHandler::instance()->notification(m_notificationKey))
            postProgressNotification(m_readableMsg);
    } else if (m_notificationKey > 0) {
        removeProgressNotification();
    }
}

void InstalledMatlabEntry::startRequest(const QString &title)
{
    m_progressTitle = title;
    m_errorHappened = false;
    emit ErrorHappenedChanged(false);
}

void InstalledMatlabEntry::install()
{
    startRequest(QStringLiteral("Installing toolchain in MATLAB ") + m_readableMatlabVersion);
    m_busy = true;
    m_handler->installToolchain(m_matlabVersion.toLatin1());
}

void InstalledMatlabEntry::uninstall()
{
    startRequest(QStringLiteral("Uninstalling toolchain from MATLAB ") + m_readableMatlabVersion);
    // Nothing to remove: no request, so nothing to wait for either.
    if (m_toolchainVersion.isEmpty())
        return;
    m_busy = true;
    m_handler->uninstallToolchain(m_matlabVersion.toLatin1());
}

void InstalledMatlabEntry::progressUpdated(QString version, QString msg, int progress, bool isError)
{
    // Every entry hears every report.
    if (version != m_matlabVersion)
        return;
    m_readableMsg = msg;
    emit ReadableMsgChanged(msg);
    if (!m_panelVisible)
        postProgressNotification(msg);
    m_errorHappened = isError;
    emit ErrorHappenedChanged(isError);
    if (progress == 100)
        m_busy = false;
}

void InstalledMatlabEntry::removeProgressNotification()
{
    if (m_notificationKey <= 0)
        return;
    if (AbstractNotification *notification = ErrorHandler::instance()->takeNotification(m_notificationKey))
        emit notification->RequestDelete(notification);
    m_notificationKey = 0;
}

void InstalledMatlabEntry::postProgressNotification(const QString &message)
{
    removeProgressNotification();
    auto *notification = new NotificationMessage(this, halvora::ErrorLevel::Info, AbstractNotification::HalvoraLab,
                                                 m_progressTitle, message, QString(), QDateTime::currentDateTimeUtc());
    const int key = ErrorHandler::instance()->addNotification(notification);
    m_notificationKey = key > 0 ? key : 0;
}
