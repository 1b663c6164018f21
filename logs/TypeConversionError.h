#pragma once

#include <stdexcept>
#include <string>

// Sample bytes that cannot be turned into numbers.
class TypeConversionError : public std::runtime_error
{
public:
    explicit TypeConversionError(const std::string &message)
        : std::runtime_error(message)
    {
    }
};
