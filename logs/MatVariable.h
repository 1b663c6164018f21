#pragma once

#include <matio.h>

#include <memory>
#include <string>
#include <vector>

// Owning handles for matio variables and the few kinds of variable the converter
// writes. Every creation that matio refuses raises std::runtime_error.
namespace matvariable {

struct Free
{
    void operator()(matvar_t *variable) const { Mat_VarFree(variable); }
};
using Ptr = std::unique_ptr<matvar_t, Free>;

// A char array [1, length] holding the UTF-8 text as UTF-16 code units, so that
// texts beyond ASCII keep their length.
Ptr text(const std::string &utf8);
// A double of rank 1, dimensions [1].
Ptr scalar(double value);
// A struct of rank 1, dimensions [1], with the given fields.
Ptr structure(const std::string &name, const std::vector<std::string> &fields);

// Hands the field over to the struct.
void setField(matvar_t *structure, std::size_t index, Ptr field);
void setNamedField(matvar_t *structure, const char *name, Ptr field);

} // namespace matvariable
