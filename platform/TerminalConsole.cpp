#include "TerminalConsole.h"

#include <QStandardPaths>

std::optional<TerminalConsole> TerminalConsole::forProgram(const QString &title, const QString &program,
                                                           const QStringList &arguments)
{
    QString terminal = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
    if (terminal.isEmpty())
        terminal = QStandardPaths::findExecutable(QStringLiteral("xterm"));
    if (terminal.isEmpty())
        return std::nullopt;

    // The program and its arguments reach the shell as positional parameters, never
    // as part of the script, so no text of theirs is read as shell syntax.
    static const QString keepOpen =
        QStringLiteral("\"$0\" \"$@\"; printf '\\n%s' 'Press Enter to close this window.'; read -r _");
    QStringList command{QStringLiteral("-T"),
                        title,
                        QStringLiteral("-e"),
                        QStringLiteral("/bin/sh"),
                        QStringLiteral("-c"),
                        keepOpen,
                        program};
    command += arguments;
    return TerminalConsole{terminal, command};
}
