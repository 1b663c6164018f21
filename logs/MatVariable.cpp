#include "MatVariable.h"

#include <QString>

#include <stdexcept>

namespace matvariable {

namespace {
Ptr checked(matvar_t *variable)
{
    if (!variable)
        throw std::runtime_error("Could not create a MAT-file variable");
    return Ptr(variable);
}
} // namespace

Ptr text(const std::string &utf8)
{
    const QString value = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    size_t dimensions[2] = {1, size_t(value.size())};
    return checked(Mat_VarCreate(nullptr, MAT_C_CHAR, MAT_T_UTF16, 2, dimensions,
                                 const_cast<void *>(static_cast<const void *>(value.utf16())), 0));
}

Ptr scalar(double value)
{
    size_t dimensions[1] = {1};
    return checked(Mat_VarCreate(nullptr, MAT_C_DOUBLE, MAT_T_DOUBLE, 1, dimensions, &value, 0));
}

Ptr structure(const std::string &name, const std::vector<std::string> &fields)
{
    std::vector<const char *> names;
    names.reserve(fields.size());
    for (const std::string &field : fields)
        names.push_back(field.c_str());
    size_t dimensions[1] = {1};
    return checked(Mat_VarCreateStruct(name.c_str(), 1, dimensions, names.data(), unsigned(names.size())));
}

void setField(matvar_t *structure, std::size_t index, Ptr field)
{
    Ptr previous(Mat_VarSetStructFieldByIndex(structure, index, 0, field.release()));
}

void setNamedField(matvar_t *structure, const char *name, Ptr field)
{
    Ptr previous(Mat_VarSetStructFieldByName(structure, name, 0, field.release()));
}

} // namespace matvariable
