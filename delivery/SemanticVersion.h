#pragma once

#include <QString>

#include <compare>

// A three-number version, ordered by major, then minor, then patch.
struct SemanticVersion
{
    int major = 0;
    int minor = 0;
    int patch = 0;

    // Finds the first "major.minor" or "major.minor.patch" anywhere in `text` and
    // overwrites the fields whose numbers it found; the others keep their values, so
    // parsing "1.4" into 0.0.0 gives 1.4.0 and a text without a version gives 0.0.0.
    // Numbers too large for an int read as 0.
    static void parse(const QString &text, SemanticVersion &version);
    static SemanticVersion parse(const QString &text);

    // True when a is lower than b.
    static bool compare(const SemanticVersion &a, const SemanticVersion &b);

    friend auto operator<=>(const SemanticVersion &, const SemanticVersion &) = default;
};
