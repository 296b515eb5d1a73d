#pragma once
// The data service's own time for one request, as its request log gives it.

#include <string>

namespace stanor::bench {

// The time of a request log line ("... GET /AxQuery 200 1.3 ms ok": the
// number before " ms"), in microseconds; 0 when the line carries none.
long long serviceMicros(const std::string& line);

}  // namespace stanor::bench
