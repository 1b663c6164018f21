#pragma once

#include <QString>
#include <QStringList>

class QQuickItem;
class QQuickWindow;

// Loads a QML page (a window, or an item that is put into one), waits until it has
// settled and saves what the window shows as a PNG file.
//
// A page shows the hovered look of a control by giving it a property
// "showHovered: true": the pointer can rest on one control only, so the renderer
// marks those controls hovered itself.
class PageRenderer
{
public:
    struct Options
    {
        QString page;   // QML file or URL
        QString output; // PNG file
        QStringList importPaths;
        int settleMilliseconds = 600;
    };

    // Renders the page; false with a message on standard error when the page does
    // not load or the file cannot be written.
    static bool render(const Options &options);

private:
    static void waitForImages(QQuickItem *root);
    static void markHovered(QQuickItem *root);
};
