#include "DebuggerPresence.h"

#include <fstream>
#include <string>

namespace halvora::platform {

bool isDebuggerAttached()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = "TracerPid:";
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0)
            return std::stoi(line.substr(key.size())) != 0;
    }
    return false;
}

} // namespace halvora::platform
