#pragma once

#include <set>
#include <string>

// Hands out names that MATLAB accepts for variables and struct fields, each once.
// A valid name that is still free is kept as it stands; any other is made valid
// (characters outside letters, digits and "_" become "_", a name that does not start
// with a letter or is a keyword gets an "x" in front, at most 63 characters) and,
// when taken, gets "_2", "_3", ... appended.
class MatVariableNames
{
public:
    static constexpr std::size_t kMaxLength = 63;

    // Marks a name as taken without checking it.
    void reserve(const std::string &name) { m_taken.insert(name); }
    std::string add(const std::string &wanted);

    static std::string validName(const std::string &wanted);

private:
    std::set<std::string> m_taken;
};
