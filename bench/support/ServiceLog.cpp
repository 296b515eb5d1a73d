#include "ServiceLog.h"

#include <cstdlib>

namespace stanor::bench {

long long serviceMicros(const std::string& line)
{
    const auto at = line.find(" ms");
    if (at == std::string::npos || at == 0)
        return 0;
    const auto start = line.rfind(' ', at - 1);
    if (start == std::string::npos)
        return 0;
    return static_cast<long long>(std::atof(line.substr(start + 1, at - start - 1).c_str()) * 1000.0);
}

}  // namespace stanor::bench
