#pragma once
// The service's side of the rights check of a write: who the user is, the
// tab descriptions of their dealership, and the stored rows that the write
// touches, read inside the write's own transaction (so that nothing changes
// between the check and the write), then handed to CheckWrite.

#include "Store.h"
#include "WriteRights.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <string>

namespace stanor::dataservice {

class WriteGate {
public:
    // The user that `userId` names, with their groups; an unknown user has an empty id.
    static WriteUser User(Session& s, const std::string& userId);

    // The refusal of `write` by `user`, in French, or "" when it may be carried
    // out. Runs on the session of the write, inside its transaction.
    std::string check(Session& s, const WriteUser& user, const WriteStatement& write, bool uploading = false);

    // The tab descriptions of a dealership, read again once they are older than this.
    static constexpr std::chrono::seconds kDescriptionsKept{30};

private:
    std::shared_ptr<const WriteDescriptions> descriptions(Session& s, const std::string& dealership);
    static WriteFacts Facts(Session& s, const WriteUser& user, const WriteStatement& write);

    struct Cached {
        std::chrono::steady_clock::time_point read;
        std::shared_ptr<const WriteDescriptions> descriptions;
    };
    std::mutex mutex_;
    std::map<std::string, Cached> cache_;  // by upper-cased dealership
};

}  // namespace stanor::dataservice
