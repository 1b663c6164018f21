#pragma once

#include <stdexcept>
#include <string>

// A device log file that does not follow the log file format.
class FileFormatException : public std::runtime_error
{
public:
    explicit FileFormatException(const std::string &message)
        : std::runtime_error(message)
    {
    }
};

// The first bytes are neither the current nor the legacy magic: not a device log.
class UnknownMagic : public FileFormatException
{
public:
    explicit UnknownMagic(const std::string &message)
        : FileFormatException(message)
    {
    }
};
