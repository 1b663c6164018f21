#pragma once

#include "WifiBoardSettings.h"

#include <QCommandLineOption>
#include <QString>

#include <optional>

class QCommandLineParser;

// The simulator's options for a board on the network.
class WifiCommandLine
{
public:
    WifiCommandLine();

    void addOptions(QCommandLineParser &parser) const;
    // The settings the options ask for; nothing, with a reason, for bad options.
    std::optional<WifiBoardSettings> settings(const QCommandLineParser &parser, QString *error) const;

private:
    QCommandLineOption m_address;
    QCommandLineOption m_streamPort;
    QCommandLineOption m_datagramPort;
    QCommandLineOption m_hostDatagramPort;
    QCommandLineOption m_plain;
    QCommandLineOption m_certificate;
    QCommandLineOption m_privateKey;
    QCommandLineOption m_clientCertificate;
    QCommandLineOption m_plainDatagrams;
    QCommandLineOption m_stallHandshake;
    QCommandLineOption m_split;
    QCommandLineOption m_merge;
};
