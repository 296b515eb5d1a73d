#pragma once
// Who sent a request to the data service: the user it acts for and the
// address it came from. Every endpoint receives it; what a request may read
// or write is decided from it, never from the request's own parameters.

#include <string>

namespace stanor::dataservice {

struct Caller {
    std::string userId;   // idUser of the user the request acts for
    std::string address;  // the peer's address, as the connection saw it
};

}  // namespace stanor::dataservice
