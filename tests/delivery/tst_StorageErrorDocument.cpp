#include "StorageErrorDocument.h"

#include <QRandomGenerator>
#include <QTest>

Q_DECLARE_METATYPE(std::optional<QString>)

class tst_StorageErrorDocument : public QObject
{
    Q_OBJECT

private:
    static QByteArray blobNotFound()
    {
        return QByteArrayLiteral("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                                 "<Error><Code>BlobNotFound</Code><Message>The specified blob does not exist.\n"
                                 "RequestId:0\nTime:2024-01-01T00:00:00Z</Message></Error>");
    }

private slots:
    void recognise_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<std::optional<QString>>("code");
        QTest::newRow("storage document with BOM")
            << blobNotFound() << std::optional<QString>(QStringLiteral("BlobNotFound"));
        QTest::newRow("without declaration") << QByteArray("<Error><Code>AuthenticationFailed</Code></Error>")
                                             << std::optional<QString>(QStringLiteral("AuthenticationFailed"));
        QTest::newRow("code nested deeper, first one wins")
            << QByteArray("<Error><Detail><Code>Inner</Code></Detail><Code>Outer</Code></Error>")
            << std::optional<QString>(QStringLiteral("Inner"));
        QTest::newRow("namespaced root counts by its local name")
            << QByteArray("<s:Error xmlns:s=\"urn:x\"><s:Code>Busy</s:Code></s:Error>")
            << std::optional<QString>(QStringLiteral("Busy"));
        QTest::newRow("empty code") << QByteArray("<Error><Code/></Error>") << std::optional<QString>(QString());
        QTest::newRow("cut short") << blobNotFound().left(blobNotFound().size() - 10) << std::optional<QString>();
        QTest::newRow("root of another name")
            << QByteArray("<Errors><Code>X</Code></Errors>") << std::optional<QString>();
        QTest::newRow("root name differs in case")
            << QByteArray("<error><Code>X</Code></error>") << std::optional<QString>();
        QTest::newRow("no code element") << QByteArray("<Error><Message>nothing</Message></Error>")
                                         << std::optional<QString>();
        QTest::newRow("HTML page") << QByteArray("<!DOCTYPE html><html><body>500</body></html>")
                                   << std::optional<QString>();
        QTest::newRow("binary data") << QByteArray("\x00\x01\x02\xFF", 4) << std::optional<QString>();
        QTest::newRow("empty") << QByteArray() << std::optional<QString>();
        QTest::newRow("data after the document") << blobNotFound() + QByteArray("garbage") << std::optional<QString>();
    }
    void recognise()
    {
        QFETCH(QByteArray, body);
        QFETCH(std::optional<QString>, code);
        QCOMPARE(storageErrorCode(body), code);
    }

    // Bodies come from the network: random bytes, truncations and mutations of the
    // real document must never crash (this runs under the sanitizers).
    void robustAgainstArbitraryBodies()
    {
        QRandomGenerator random(20240611);
        const QByteArray document = blobNotFound();
        for (int round = 0; round < 3000; ++round) {
            QByteArray body;
            switch (round % 3) {
            case 0:
                body.resize(random.bounded(512));
                for (char &byte : body)
                    byte = char(random.bounded(256));
                break;
            case 1:
                body = document.left(random.bounded(int(document.size()) + 1));
                break;
            default:
                body = document;
                for (int flips = random.bounded(1, 8); flips > 0; --flips)
                    body[random.bounded(int(body.size()))] = char(random.bounded(256));
                break;
            }
            const auto code = storageErrorCode(body);
            if (code)
                QVERIFY(body.contains("Error"));
        }
    }
};

QTEST_APPLESS_MAIN(tst_StorageErrorDocument)
#include "tst_StorageErrorDocument.moc"
