#pragma once
// The longest text each column may receive: the length its field's tab
// description gives (the same the client's edits hold typing to), or the
// service's limit for a text whose description gives none. The descriptions of
// a dealership are read once and kept a little while, so that a write costs a
// lookup; new descriptions (--load-tabdesc) count within that while.

#include "Store.h"
#include "WriteRules.h"

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace stanor::dataservice {

struct FieldLength {
    size_t characters = 0;  // 0: no length given
    std::string caption;    // the field's caption, to name it in a refusal
};

// Column (lower case) -> its length. A column that several descriptions name
// (the registration of a used vehicle and of a customer's vehicle) takes the
// largest length they give, none given counting as no limit of theirs.
using FieldLengthMap = std::map<std::string, FieldLength>;

// The lengths given by tab description rows (the seventeen elements of
// Session::tabDescriptions: vInfo names the column, txtInfo is the caption).
FieldLengthMap ReadFieldLengths(const ResultSet& descriptions);

// Why a write stores a text longer than its field takes, or "": a text in
// characters against its description's length, and in bytes against
// `textBytes` whatever the description says.
std::string TextTooLong(const WriteShape& write, const FieldLengthMap& lengths, size_t textBytes);

class FieldLengths {
public:
    explicit FieldLengths(std::chrono::seconds keep = std::chrono::seconds(30)) : keep_(keep) {}

    // The lengths of a dealership's fields ("" for descriptions of every dealership).
    std::shared_ptr<const FieldLengthMap> of(Session& s, const std::string& concession);

private:
    struct Entry {
        std::shared_ptr<const FieldLengthMap> lengths;
        std::chrono::steady_clock::time_point read;
    };
    std::chrono::seconds keep_;
    std::mutex mutex_;
    std::map<std::string, Entry> byConcession_;
};

}  // namespace stanor::dataservice
