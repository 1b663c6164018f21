#include "WifiCommandLine.h"

#include <QCommandLineParser>
#include <QFile>

namespace {

bool parsePort(const QString &text, quint16 *port)
{
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value > 65535)
        return false;
    *port = quint16(value);
    return true;
}

bool readFile(const QString &path, QByteArray *contents)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *contents = file.readAll();
    return true;
}

} // namespace

WifiCommandLine::WifiCommandLine()
    : m_address(QStringLiteral("address"), QStringLiteral("Wi-Fi: the address to listen on (default 127.0.0.2)."),
                QStringLiteral("address"), QStringLiteral("127.0.0.2"))
    , m_streamPort(QStringLiteral("stream-port"), QStringLiteral("Wi-Fi: the stream port, 0 for a free one."),
                   QStringLiteral("port"), QStringLiteral("40000"))
    , m_datagramPort(QStringLiteral("datagram-port"), QStringLiteral("Wi-Fi: the datagram port, 0 for a free one."),
                     QStringLiteral("port"), QStringLiteral("40001"))
    , m_hostDatagramPort(QStringLiteral("host-datagram-port"),
                         QStringLiteral("Wi-Fi: the host's datagram port until the host has sent a datagram."),
                         QStringLiteral("port"), QStringLiteral("40001"))
    , m_plain(QStringLiteral("plain"), QStringLiteral("Wi-Fi: a plain TCP stream instead of TLS."))
    , m_certificate(QStringLiteral("certificate"), QStringLiteral("Wi-Fi: the board's TLS certificate (PEM)."),
                    QStringLiteral("file"))
    , m_privateKey(QStringLiteral("private-key"), QStringLiteral("Wi-Fi: the board's TLS private key (PEM)."),
                   QStringLiteral("file"))
    , m_clientCertificate(
          QStringLiteral("client-certificate"),
          QStringLiteral("Wi-Fi: require the host to present one of the certificates in this PEM file."),
          QStringLiteral("file"))
    , m_plainDatagrams(QStringLiteral("plain-datagrams"), QStringLiteral("Wi-Fi: datagrams without encryption."))
    , m_stallHandshake(QStringLiteral("stall-handshake"),
                       QStringLiteral("Wi-Fi: accept connections but never answer the TLS handshake."))
    , m_split(QStringLiteral("split"), QStringLiteral("Wi-Fi: write the stream in pieces of this many bytes."),
              QStringLiteral("bytes"), QStringLiteral("0"))
    , m_merge(QStringLiteral("merge"), QStringLiteral("Wi-Fi: write the frames of one event-loop turn at once."))
{
}

void WifiCommandLine::addOptions(QCommandLineParser &parser) const
{
    parser.addOptions({m_address, m_streamPort, m_datagramPort, m_hostDatagramPort, m_plain, m_certificate,
                       m_privateKey, m_clientCertificate, m_plainDatagrams, m_stallHandshake, m_split, m_merge});
}

std::optional<WifiBoardSettings> WifiCommandLine::settings(const QCommandLineParser &parser, QString *error) const
{
    WifiBoardSettings settings;
    if (!settings.address.setAddress(parser.value(m_address))) {
        *error = QStringLiteral("--address must be an IP address");
        return std::nullopt;
    }
    if (!parsePort(parser.value(m_streamPort), &settings.streamPort)
        || !parsePort(parser.value(m_datagramPort), &settings.datagramPort)
        || !parsePort(parser.value(m_hostDatagramPort), &settings.hostDatagramPort)) {
        *error = QStringLiteral("ports must be numbers from 0 to 65535");
        return std::nullopt;
    }
    settings.tls = !parser.isSet(m_plain);
    if (settings.tls) {
        QByteArray certificate;
        QByteArray key;
        if (!parser.isSet(m_certificate) || !parser.isSet(m_privateKey)) {
            *error = QStringLiteral("a TLS board needs --certificate and --private-key (or --plain)");
            return std::nullopt;
        }
        if (!readFile(parser.value(m_certificate), &certificate)
            || (settings.certificate = QSslCertificate(certificate, QSsl::Pem)).isNull()) {
            *error = QStringLiteral("--certificate must name a PEM certificate");
            return std::nullopt;
        }
        if (readFile(parser.value(m_privateKey), &key)) {
            settings.privateKey = QSslKey(key, QSsl::Rsa, QSsl::Pem);
            if (settings.privateKey.isNull())
                settings.privateKey = QSslKey(key, QSsl::Ec, QSsl::Pem);
        }
        if (settings.privateKey.isNull()) {
            *error = QStringLiteral("--private-key must name an RSA or EC key in PEM without a pass phrase");
            return std::nullopt;
        }
        if (parser.isSet(m_clientCertificate)) {
            QByteArray clients;
            if (readFile(parser.value(m_clientCertificate), &clients))
                settings.clientCertificates = QSslCertificate::fromData(clients, QSsl::Pem);
            if (settings.clientCertificates.isEmpty()) {
                *error = QStringLiteral("--client-certificate must name a PEM file with certificates");
                return std::nullopt;
            }
        }
    }
    settings.encryptDatagrams = !parser.isSet(m_plainDatagrams);
    settings.stallHandshake = parser.isSet(m_stallHandshake);
    bool ok = false;
    settings.streamChunkSize = parser.value(m_split).toInt(&ok);
    if (!ok || settings.streamChunkSize < 0) {
        *error = QStringLiteral("--split must be a number of bytes");
        return std::nullopt;
    }
    settings.mergeWrites = parser.isSet(m_merge);
    return settings;
}
