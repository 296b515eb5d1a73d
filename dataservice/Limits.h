#pragma once
// The service's own limits, all in one place, so that no single request can
// take what every user of the service shares: memory, the write lock, the
// database's connections, the serving threads. Each limit reached is answered
// by a French LogItem (or an HTTP status) and a line in the request log,
// never by a stall. DataService hands them to the store, the endpoints, the
// sheets and the HTTP server.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace stanor::dataservice {

struct ServiceLimits {
    // One answer, in bytes of its XML: a query stops reading rows beyond it.
    size_t answerBytes = 16u << 20;
    // Rows of a query's answer; a MaxRows above is refused.
    size_t maxRows = 1000;
    // A text written into a column whose field description gives no length.
    size_t textBytes = 64u << 10;
    // Work of one statement of the client, reads and writes alike.
    int statementMs = 2000;
    // A write holds the write lock (SQLite) or its rows (PostgreSQL) no longer.
    int writeLockMs = 1000;
    // A writer waits its turn this long before WAIT_TIMEOUT, which the client retries.
    int writeWaitMs = 3000;
    // Drawing one printable sheet.
    int reportMs = 2000;
    // One uploaded photo: its file and its picture, decoded whole before it is stored.
    size_t photoBytes = 4096000;
    uint64_t photoPixels = 50'000'000;
    // The body of one request, refused from its Content-Length before it is read.
    size_t bodyBytes = 12u << 20;
    // Connections open at once from one address; the ones beyond are refused at once.
    size_t connectionsPerAddress = 64;
    // Addresses without that limit: the group's TLS proxy, through which every
    // workstation's connections arrive.
    std::vector<std::string> unlimitedAddresses;
};

}  // namespace stanor::dataservice
