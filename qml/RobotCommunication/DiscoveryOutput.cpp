#include "DiscoveryOutput.h"

#include <cstdio>
#include <string>

namespace ostrel::infra {

void printDiscoveryLine(std::string_view line)
{
    std::string text(line);
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

} // namespace ostrel::infra
