#pragma once

#include <QSslConfiguration>
#include <QString>

// A throw-away certificate authority and a server certificate for 127.0.0.1, made by
// the openssl command in a folder of the test. trustForClients() adds the authority
// to the default configuration that every client of the process starts from.
class TestTls
{
public:
    bool create(const QString &folder);
    QSslConfiguration serverConfiguration() const;
    void trustForClients() const;

private:
    QString m_folder;
};
