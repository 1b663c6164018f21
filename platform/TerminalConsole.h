#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// A program run in a new terminal window of its own: the window carries a title and
// stays open after the program ends until the user presses Enter.
struct TerminalConsole
{
    QString program;
    QStringList arguments;

    // The command that opens the window: the desktop's x-terminal-emulator, else
    // xterm, both found on the PATH. Nothing when neither is there.
    static std::optional<TerminalConsole> forProgram(const QString &title, const QString &program,
                                                     const QStringList &arguments);
};
