#include "PageRenderer.h"

#include <QCommandLineParser>
#include <QGuiApplication>

// halvora-screenshot [--import <folder>]... <page.qml> <picture.png>
int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("halvora-screenshot"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Renders a QML page into a PNG file."));
    parser.addHelpOption();
    const QCommandLineOption importOption(QStringLiteral("import"), QStringLiteral("An extra QML import folder."),
                                          QStringLiteral("folder"));
    const QCommandLineOption settleOption(QStringLiteral("settle"),
                                          QStringLiteral("Milliseconds the page is given to settle (600)."),
                                          QStringLiteral("ms"), QStringLiteral("600"));
    parser.addOption(importOption);
    parser.addOption(settleOption);
    parser.addPositionalArgument(QStringLiteral("page"), QStringLiteral("The QML file to render."));
    parser.addPositionalArgument(QStringLiteral("picture"), QStringLiteral("The PNG file to write."));
    parser.process(app);

    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() != 2)
        parser.showHelp(2);

    PageRenderer::Options options;
    options.page = arguments.at(0);
    options.output = arguments.at(1);
    options.importPaths = parser.values(importOption);
    options.settleMilliseconds = parser.value(settleOption).toInt();
    return PageRenderer::render(options) ? 0 : 1;
}
