// The program's registration helper, started by the program beside it:
//
//   DetachedHelper --command installscheme --scheme <scheme> --application <program>
//
// makes <program> the opener of the scheme's links on this desktop. It runs apart
// from the program, which does not wait for it; it says on standard error what went
// wrong and ends with 0 on success, 1 when the registration failed and 2 for a
// command line it does not understand.
#include "UriSchemeRegistry.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

int fail(int exitCode, const QString &message)
{
    std::fprintf(stderr, "DetachedHelper: %s\n", qPrintable(message));
    return exitCode;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption command(QStringLiteral("command"), QStringLiteral("What to do: installscheme"),
                                     QStringLiteral("command"));
    const QCommandLineOption scheme(QStringLiteral("scheme"), QStringLiteral("The URI scheme"),
                                    QStringLiteral("scheme"));
    const QCommandLineOption program(QStringLiteral("application"), QStringLiteral("The program that opens its links"),
                                     QStringLiteral("application"));
    parser.addOptions({command, scheme, program});
    if (!parser.parse(application.arguments()))
        return fail(2, parser.errorText());
    if (parser.value(command) != QLatin1String("installscheme"))
        return fail(2, QStringLiteral("unknown command \"%1\"").arg(parser.value(command)));
    if (!parser.isSet(scheme) || !parser.isSet(program))
        return fail(2, QStringLiteral("installscheme needs --scheme and --application"));

    QString errorText;
    if (!UriSchemeRegistry::forThisDesktop()->install(parser.value(scheme), parser.value(program), &errorText))
        return fail(1, errorText);
    return 0;
}
