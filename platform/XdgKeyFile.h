#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The key files of the freedesktop.org specifications (desktop entries,
// mimeapps.list): "[Group]" lines, "Key=Value" lines and "#" comments. Other
// programs write these files too, so reading is lenient and writing changes the
// one line it is asked to change and nothing else.
namespace xdg {

// The value of key in group, with the string escapes (\s \n \t \r \\) undone;
// nothing when the group has no such key. The first occurrence counts.
std::optional<QString> keyFileValue(const QString &text, const QString &group, const QString &key);

// text with key set to value in group: the group's line of that key is replaced,
// else a line is added at the end of the group, else the group is appended.
// value is escaped as a key file string.
QString withKeyFileValue(const QString &text, const QString &group, const QString &key, const QString &value);

QString escapeKeyFileString(const QString &value);
QString unescapeKeyFileString(const QString &value);

// One argument of a desktop entry's Exec line: "%" doubled, and quoted with the
// quoting rules of the Exec key when it holds a reserved character.
QString execArgument(const QString &argument);

// The arguments of an Exec value (string escapes already undone), with quoting
// removed and "%%" read as "%"; field codes such as %u stay as they are. Nothing for
// an unbalanced quote.
std::optional<QStringList> splitExec(const QString &exec);

} // namespace xdg
