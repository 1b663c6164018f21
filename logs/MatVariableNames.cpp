#include "MatVariableNames.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 20> kKeywords{
    "break",  "case", "catch",     "classdef", "continue",   "else",   "elseif", "end",    "for", "function",
    "global", "if",   "otherwise", "parfor",   "persistent", "return", "spmd",   "switch", "try", "while"};

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isNameCharacter(char c)
{
    return isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_';
}

} // namespace

std::string MatVariableNames::validName(const std::string &wanted)
{
    std::string name = wanted;
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !isNameCharacter(c); }, '_');
    const bool keyword = std::find(kKeywords.begin(), kKeywords.end(), name) != kKeywords.end();
    if (name.empty() || !isAsciiLetter(name.front()) || keyword)
        name.insert(0, 1, 'x');
    if (name.size() > kMaxLength)
        name.resize(kMaxLength);
    return name;
}

std::string MatVariableNames::add(const std::string &wanted)
{
    const std::string base = validName(wanted);
    std::string name = base;
    for (int counter = 2; m_taken.count(name); ++counter) {
        std::string suffix(1, '_');
        suffix += std::to_string(counter);
        name = base.substr(0, kMaxLength - suffix.size()) + suffix;
    }
    m_taken.insert(name);
    return name;
}
