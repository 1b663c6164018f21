#include "VersionInfoFixture.h"

#include "ExternalTools.h"
#include "VersionInfoCipher.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace VersionInfoFixture {

QJsonObject document(const QString &applicationVersion)
{
    const auto file = [](const char *path, const char *sha256) {
        return QJsonObject{{"file", QString::fromLatin1(path)}, {"sha256", QString::fromLatin1(sha256)}};
    };
    return QJsonObject{
        {"Version", 1},
        {"Devices",
         QJsonObject{
             {"Zelto", QJsonObject{{"LatestVersion", "1.1"},
                                   {"Versions", QJsonObject{{"1.0", QJsonObject{{"ZeltoOS", "1.0.0"}}},
                                                            {"1.1", QJsonObject{{"ZeltoOS", "1.1.0"},
                                                                                {"ZeltoWireless", "2.0.0"}}}}}}},
             {"Tavrin", QJsonObject{{"LatestVersion", "3.0"}, {"Versions", QJsonObject{{"3.0", QJsonObject{}}}}}},
         }},
        {"Components",
         QJsonObject{
             {"ZeltoOS", QJsonObject{{"LatestVersion", "1.1.0"},
                                     {"Versions", QJsonObject{{"1.0.0", file("firmware/ZeltoOS_1.0.0.bin", "aa")},
                                                              {"1.1.0", file("firmware/ZeltoOS_1.1.0.bin", "bb")}}}}},
             {"ZeltoWireless",
              QJsonObject{{"LatestVersion", "2.0.0"},
                          {"Versions", QJsonObject{{"2.0.0", file("firmware/ZeltoWireless_2.0.0.bin", "cc")}}}}},
             {"HalvoraStudio", QJsonObject{{"LatestVersion", applicationVersion}, {"Versions", QJsonObject{}}}},
         }},
        {"Blocks",
         QJsonObject{{"Gain", QJsonObject{{"LatestVersion", "2.0"},
                                          {"Category", "Math"},
                                          {"Versions", QJsonObject{{"2.0", file("blocks/gain.zip", "dd")}}}}}}},
        {"Unread", QJsonArray{1, 2, 3}},
    };
}

QByteArray encrypt(const QByteArray &plain)
{
    return ExternalTools::opensslEncrypt(plain, VersionInfoCipher::key(), VersionInfoCipher::iv());
}

QByteArray encrypt(const QJsonObject &document)
{
    return encrypt(QJsonDocument(document).toJson());
}

QByteArray file(const QByteArray &plain)
{
    return ExternalTools::withOpensslDigest(encrypt(plain));
}

QByteArray file(const QJsonObject &document)
{
    return file(QJsonDocument(document).toJson());
}

} // namespace VersionInfoFixture
