#include "ModelPath.h"

namespace monitoring {

QByteArray escapePathComponent(QByteArrayView name)
{
    QByteArray component;
    component.reserve(name.size());
    for (const char c : name) {
        component.append(c);
        if (c == '/')
            component.append('/');
    }
    return component;
}

QByteArray unescapePathComponent(QByteArrayView component)
{
    QByteArray name;
    name.reserve(component.size());
    for (qsizetype i = 0; i < component.size(); ++i) {
        if (component[i] != '/') {
            name.append(component[i]);
        } else if (i + 1 < component.size() && component[i + 1] == '/') {
            name.append('/');
            ++i;
        }
    }
    return name;
}

PathSplit splitFirstPathComponent(QByteArrayView path)
{
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path[i] != '/')
            continue;
        if (i + 1 < path.size() && path[i + 1] == '/') {
            ++i; // a "//" pair belongs to the name
            continue;
        }
        return {path.first(i).toByteArray(), path.sliced(i + 1).toByteArray(), true};
    }
    return {path.toByteArray(), {}, false};
}

QByteArray stripFirstPathComponent(QByteArrayView path)
{
    return splitFirstPathComponent(path).rest;
}

PathSplit splitLastPathComponent(QByteArrayView path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (path[i] != '/')
            continue;
        if (i > 0 && path[i - 1] == '/') {
            --i; // a "//" pair belongs to the name
            continue;
        }
        return {path.first(i).toByteArray(), path.sliced(i + 1).toByteArray(), true};
    }
    return {{}, path.toByteArray(), false};
}

} // namespace monitoring
