#pragma once

// Handed by reference through every reader and writer of robot JSON (messages,
// resources, converters). Callers pass a default-constructed one; it carries nothing
// yet and leaves room for reading options without changing every signature.
struct JsonContext
{
};
