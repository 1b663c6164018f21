// A stand-alone storage peer for trying the program's downloads by hand:
//   halvora-storage-peer --root <folder> [--port <n>] [--tls-certificate <pem> --tls-key <pem>]
// then start the program with HALVORA_DOWNLOAD_STORAGE set to the printed address.
#include "StoragePeer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSslKey>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Serves a folder as the maker's download storage."));
    parser.addHelpOption();
    const QCommandLineOption rootOption(QStringLiteral("root"), QStringLiteral("Folder to serve."),
                                        QStringLiteral("folder"));
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Port (0 picks a free one)."),
                                        QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption addressOption(QStringLiteral("address"), QStringLiteral("Address to listen on."),
                                           QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption certificateOption(QStringLiteral("tls-certificate"),
                                               QStringLiteral("PEM certificate; serves HTTPS."),
                                               QStringLiteral("file"));
    const QCommandLineOption keyOption(QStringLiteral("tls-key"), QStringLiteral("PEM private key of the certificate."),
                                       QStringLiteral("file"));
    parser.addOptions({rootOption, portOption, addressOption, certificateOption, keyOption});
    parser.process(app);

    QTextStream err(stderr);
    if (!parser.isSet(rootOption)) {
        err << "--root is required\n";
        return 2;
    }
    StoragePeer peer(parser.value(rootOption));
    if (parser.isSet(certificateOption)) {
        QFile certificateFile(parser.value(certificateOption));
        QFile keyFile(parser.value(keyOption));
        if (!certificateFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly)) {
            err << "Cannot read the TLS certificate or key\n";
            return 2;
        }
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(QSslCertificate(&certificateFile, QSsl::Pem));
        tls.setPrivateKey(QSslKey(&keyFile, QSsl::Rsa, QSsl::Pem));
        peer.setTlsConfiguration(tls);
    }
    if (!peer.start(QHostAddress(parser.value(addressOption)), quint16(parser.value(portOption).toUInt()))) {
        err << "Cannot listen: " << peer.errorString() << "\n";
        return 1;
    }
    QTextStream(stdout) << peer.baseUrl().toString() << Qt::endl;
    QObject::connect(&peer, &StoragePeer::requestReceived, [&err](const QString &path) { err << path << Qt::endl; });
    return app.exec();
}
