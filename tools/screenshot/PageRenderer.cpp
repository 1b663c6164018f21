#include "PageRenderer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTextStream>
#include <QTimer>
#include <QtQuickTemplates2/private/qquickcontrol_p.h>
#include <QtQuickTemplates2/private/qquicktextfield_p.h>

#include <algorithm>
#include <memory>

namespace {

QTextStream &errorStream()
{
    static QTextStream stream(stderr);
    return stream;
}

void spin(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

QList<QQuickItem *> allItems(QQuickItem *root)
{
    QList<QQuickItem *> items{root};
    for (qsizetype i = 0; i < items.size(); ++i)
        items.append(items.at(i)->childItems());
    return items;
}

// Popups live in the window's overlay, beside the page's own items.
QQuickItem *everythingShown(QQuickWindow *window)
{
    return window->contentItem()->parentItem() ? window->contentItem()->parentItem() : window->contentItem();
}

} // namespace

bool PageRenderer::render(const Options &options)
{
    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    for (const QString &path : options.importPaths)
        engine.addImportPath(path);

    const QFileInfo file(options.page);
    const QUrl url = file.exists() ? QUrl::fromLocalFile(file.absoluteFilePath()) : QUrl(options.page);
    engine.load(url);
    if (engine.rootObjects().isEmpty()) {
        errorStream() << "The page " << options.page << " did not load\n";
        return false;
    }

    QObject *root = engine.rootObjects().constFirst();
    auto *window = qobject_cast<QQuickWindow *>(root);
    std::unique_ptr<QQuickWindow> ownWindow;
    if (!window) {
        auto *item = qobject_cast<QQuickItem *>(root);
        if (!item) {
            errorStream() << "The page " << options.page << " is neither a window nor an item\n";
            return false;
        }
        ownWindow = std::make_unique<QQuickWindow>();
        window = ownWindow.get();
        item->setParentItem(window->contentItem());
        window->resize(qMax(1, int(item->width())), qMax(1, int(item->height())));
    }
    window->show();
    // Focused controls show their focus only in the active window.
    window->requestActivate();

    const QDeadlineTimer showing(5000);
    while ((!window->isExposed() || !window->isActive()) && !showing.hasExpired())
        spin(20);

    QQuickItem *shown = everythingShown(window);
    waitForImages(shown);
    markHovered(shown);
    spin(options.settleMilliseconds);

    const QImage picture = window->grabWindow();
    if (picture.isNull()) {
        errorStream() << "The window of " << options.page << " could not be grabbed\n";
        return false;
    }
    QDir().mkpath(QFileInfo(options.output).absolutePath());
    if (!picture.save(options.output, "PNG")) {
        errorStream() << "Could not write " << options.output << "\n";
        return false;
    }
    return true;
}

void PageRenderer::waitForImages(QQuickItem *root)
{
    // Image.Loading
    constexpr int loading = 2;
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        const auto items = allItems(root);
        const bool busy = std::any_of(items.cbegin(), items.cend(), [](const QQuickItem *item) {
            const QVariant status = item->property("status");
            return item->inherits("QQuickImageBase") && status.toInt() == loading;
        });
        if (!busy)
            return;
        spin(20);
    }
}

void PageRenderer::markHovered(QQuickItem *root)
{
    for (QQuickItem *item : allItems(root)) {
        if (!item->property("showHovered").toBool())
            continue;
        if (auto *control = qobject_cast<QQuickControl *>(item))
            control->setHovered(true);
        else if (auto *field = qobject_cast<QQuickTextField *>(item))
            field->setHovered(true);
    }
}
