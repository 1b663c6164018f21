#include "ToolchainHandlerGUI.h"

#include "InstalledMatlabEntry.h"
#include "VersionControl.h"

#include <QCoreApplication>
#include <QDebug>

#include <stdexcept>

ToolchainHandlerGUI::ToolchainHandlerGUI(QObject *parent)
    : ToolchainHandlerGUI(parent, ToolchainHandler::Settings())
{
}

ToolchainHandlerGUI::ToolchainHandlerGUI(QObject *parent, ToolchainHandler::Settings settings)
    : QObject(parent)
    , m_handler(std::make_unique<ToolchainHandler>(nullptr, std::move(settings)))
{
    connect(m_handler.get(), &ToolchainHandler::VersionInfoAvailable, this,
            &ToolchainHandlerGUI::latestToolchainVersionAvailable, Qt::QueuedConnection);
    connect(m_handler.get(), &ToolchainHandler::InstalledToolchainsChanged, this,
            &ToolchainHandlerGUI::installedToolchainsUpdated, Qt::QueuedConnection);

    const QList<QByteArray> versions = m_handler->matlabHelper().installations().keys();
    for (const QByteArray &version : versions) {
        InstalledMatlabEntry *entry = nullptr;
        try {
            entry = new InstalledMatlabEntry(this, m_handler.get(), version);
        } catch (const std::invalid_argument &error) {
            qDebug() << error.what();
            continue;
        }
        connect(m_handler.get(), &ToolchainHandler::InstallProgressUpdated, entry,
                &InstalledMatlabEntry::progressUpdated, Qt::DirectConnection);
        connect(m_handler.get(), &ToolchainHandler::InstallProgressUpdatedFromThread, entry,
                &InstalledMatlabEntry::progressUpdated, Qt::BlockingQueuedConnection);
        m_installedMatlabs.append(entry);
    }
    emit InstalledMatlabsChanged(m_installedMatlabs);
    // The version information may have loaded before the panel was made.
    m_handler->queryToolchainVersion();
}

ToolchainHandlerGUI::~ToolchainHandlerGUI()
{
    // A worker waiting for an entry to take its report is let go by dropping the
    // report: the main thread will not come back to deliver it.
    m_handler->stop([this] {
        for (InstalledMatlabEntry *entry : std::as_const(m_installedMatlabs))
            QCoreApplication::removePostedEvents(entry, QEvent::MetaCall);
    });
}

void ToolchainHandlerGUI::updateAllMatlabs()
{
    m_handler->installInAllMatlabs();
}

void ToolchainHandlerGUI::installToolchainUriReceived(QString version, QString msg, int progress, int flags,
                                                      bool isUninstall)
{
    m_handler->handleInstallUri(version.toUtf8(), msg.toUtf8(), progress, flags, isUninstall);
}

void ToolchainHandlerGUI::setVisibility(bool isVisible)
{
    for (InstalledMatlabEntry *entry : std::as_const(m_installedMatlabs))
        entry->setPanelVisible(isVisible);
}

void ToolchainHandlerGUI::latestToolchainVersionAvailable()
{
    const QString latest =
        m_handler->versionControl()->latestComponentVersion(QLatin1String(ToolchainHandler::kComponent));
    for (InstalledMatlabEntry *entry : std::as_const(m_installedMatlabs))
        entry->setLatestToolchainVersion(latest);
}

void ToolchainHandlerGUI::installedToolchainsUpdated()
{
    const QMap<QByteArray, QByteArray> installed = m_handler->matlabHelper().toolchainVersions();
    for (InstalledMatlabEntry *entry : std::as_const(m_installedMatlabs))
        entry->setToolchainVersion(QString::fromUtf8(installed.value(entry->matlabVersion().toLatin1())));
}
