#include "NetworkDeviceInfo.h"

namespace ostrel::infra {

std::string NetworkDeviceInfo::txtValue(const std::string &key) const
{
    const auto found = txt.find(key);
    if (found == txt.end() || !found->second)
        return {};
    return *found->second;
}

} // namespace ostrel::infra
