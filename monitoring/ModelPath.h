#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Paths through the monitored model: components separated by "/", a "/" inside a
// name written "//". The functions take the raw bytes the board sent (UTF-8) and
// never unescape unless they say so.
namespace monitoring {

struct PathSplit
{
    QByteArray first; // the first (or, from splitLastPathComponent, the parent) part
    QByteArray rest;  // what follows the separator (or the last component)
    bool found = false;
};

// Every "/" of the name doubled.
QByteArray escapePathComponent(QByteArrayView name);
// Every "//" turned back into "/"; a lone "/" is dropped.
QByteArray unescapePathComponent(QByteArrayView component);
// Splits at the first "/" that is not part of a "//" pair (a final "/" counts as a
// separator). Without a separator: first = the whole path, rest empty, found false.
PathSplit splitFirstPathComponent(QByteArrayView path);
// The rest part of splitFirstPathComponent (empty without a separator).
QByteArray stripFirstPathComponent(QByteArrayView path);
// Splits at the last "/" that is not part of a "//" pair: first = the parent path,
// rest = the last component. Without a separator: parent empty, rest the whole path.
PathSplit splitLastPathComponent(QByteArrayView path);

} // namespace monitoring
