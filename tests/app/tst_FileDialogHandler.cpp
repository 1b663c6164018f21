#include "FileDialogHandler.h"

#include <QSignalSpy>
#include <QTest>

// Files from file dialogs go to the signal of their kind, by suffix.
class tst_FileDialogHandler : public QObject
{
    Q_OBJECT

private slots:
    void dispatchBySuffix_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<QString>("signal"); // empty: none
        QTest::newRow("apb") << QUrl::fromLocalFile("/home/u/app.apb") << "ApbFileReceived";
        QTest::newRow("elf") << QUrl::fromLocalFile("/home/u/app.elf") << "ElfFileReceived";
        QTest::newRow("hapbf") << QUrl::fromLocalFile("/home/u/my app.v2.hapbf") << "HapbfFileReceived";
        QTest::newRow("feb") << QUrl::fromLocalFile("/home/u/fw.feb") << "FebFileReceived";
        QTest::newRow("FWB in capitals") << QUrl::fromLocalFile("/home/u/FW.FWB") << "FwbFileReceived";
        QTest::newRow("the suffix none") << QUrl::fromLocalFile("/home/u/a.none") << QString();
        QTest::newRow("the key last is no kind") << QUrl::fromLocalFile("/home/u/a.last") << QString();
        QTest::newRow("no suffix") << QUrl::fromLocalFile("/home/u/noext") << QString();
        QTest::newRow("only the last suffix counts") << QUrl::fromLocalFile("/home/u/a.elf.gz") << QString();
        QTest::newRow("a dot in a folder name") << QUrl::fromLocalFile("/home/u/a.elf/c") << QString();
        QTest::newRow("not a local file") << QUrl("https://example.org/a.elf") << QString();
    }
    void dispatchBySuffix()
    {
        QFETCH(QUrl, url);
        QFETCH(QString, signal);
        FileDialogHandler handler;
        const QStringList names{"ApbFileReceived", "ElfFileReceived", "HapbfFileReceived", "FebFileReceived",
                                "FwbFileReceived"};
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        for (const QString &name : names) {
            const QMetaMethod method =
                handler.metaObject()->method(handler.metaObject()->indexOfSignal(qPrintable(name + "(QString)")));
            spies.push_back(std::make_unique<QSignalSpy>(&handler, method));
        }
        if (signal.isEmpty())
            QTest::ignoreMessage(QtDebugMsg, "Unrecognised file imported");
        handler.fileDialogUrlReceived(url);
        for (qsizetype i = 0; i < names.size(); ++i) {
            const bool expected = names.at(i) == signal;
            QCOMPARE(spies.at(size_t(i))->size(), expected ? 1 : 0);
            if (expected)
                QCOMPARE(spies.at(size_t(i))->first().first().toString(), url.toLocalFile());
        }
    }
};

QTEST_GUILESS_MAIN(tst_FileDialogHandler)
#include "tst_FileDialogHandler.moc"
