#pragma once

#include <string_view>

namespace ostrel::infra {

// The discovery engine reports its progress as plain lines on standard output, apart
// from the program's own log.
void printDiscoveryLine(std::string_view line);

} // namespace ostrel::infra
