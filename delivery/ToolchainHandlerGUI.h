#pragma once

#include "ToolchainHandler.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class InstalledMatlabEntry;
Q_MOC_INCLUDE("InstalledMatlabEntry.h")

// The toolchain panel of the global settings (QML: "toolchainInstall"): one entry per
// MATLAB release found at start, kept up to date with the toolchain installed there and
// the progress of its installation or removal. MATLAB's progress reports, which reach
// the program as halvora: links, are passed on to the installer here.
//
// Main thread only; the installer's worker reaches the entries through a blocking
// queued connection.
class ToolchainHandlerGUI : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<InstalledMatlabEntry *> installedMatlabs READ installedMatlabs NOTIFY InstalledMatlabsChanged)

public:
    explicit ToolchainHandlerGUI(QObject *parent = nullptr);
    ToolchainHandlerGUI(QObject *parent, ToolchainHandler::Settings settings);
    // Ends the installer's worker first, freeing it from a delivery to an entry.
    ~ToolchainHandlerGUI() override;

    QList<InstalledMatlabEntry *> installedMatlabs() const { return m_installedMatlabs; }
    ToolchainHandler &handler() { return *m_handler; }

    Q_INVOKABLE void updateAllMatlabs();

public slots:
    void installToolchainUriReceived(QString version, QString msg, int progress, int flags, bool isUninstall);
    void setVisibility(bool isVisible);
    void latestToolchainVersionAvailable();
    void installedToolchainsUpdated();

signals:
    void InstalledMatlabsChanged(QList<InstalledMatlabEntry *> installedMatlabs);

private:
    std::unique_ptr<ToolchainHandler> m_handler;
    QList<InstalledMatlabEntry *> m_installedMatlabs;
};
