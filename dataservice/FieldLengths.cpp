#include "FieldLengths.h"

#include <cstdlib>

namespace stanor::dataservice {

namespace {

// A text literal's content: the quotes removed and doubled quotes made single.
std::string Content(const std::string& quoted) {
    std::string out;
    for (size_t i = 1; i + 1 < quoted.size(); ++i) {
        out.push_back(quoted[i]);
        if (quoted[i] == '\'') ++i;
    }
    return out;
}

}  // namespace

FieldLengthMap ReadFieldLengths(const ResultSet& descriptions) {
    FieldLengthMap out;
    std::map<std::string, bool> unlimited;
    for (size_t r = 0; r < descriptions.rows.size(); ++r) {
        const std::string column = LowerAscii(descriptions.value(r, "vInfo"));
        if (column.empty()) continue;
        const long length = std::atol(descriptions.value(r, "length").c_str());
        FieldLength& field = out[column];
        if (field.caption.empty()) field.caption = descriptions.value(r, "txtInfo");
        if (length <= 0) unlimited[column] = true;
        else if (static_cast<size_t>(length) > field.characters) field.characters = static_cast<size_t>(length);
    }
    for (const auto& [column, none] : unlimited)
        if (none) out[column].characters = 0;
    return out;
}

std::string TextTooLong(const WriteShape& write, const FieldLengthMap& lengths, size_t textBytes) {
    for (const WrittenValue& v : write.values) {
        if (v.value.kind != SqlTokenKind::String) continue;
        const std::string text = Content(v.value.text);
        const auto field = lengths.find(LowerAscii(v.column));
        const std::string name = field != lengths.end() && !field->second.caption.empty()
                                     ? "« " + field->second.caption + " » (" + v.column + ")"
                                     : v.column;
        if (text.size() > textBytes)
            return "Texte trop long pour " + name + " : " + std::to_string(text.size()) + " octets, au plus " +
                   std::to_string(textBytes);
        if (field != lengths.end() && field->second.characters > 0 &&
            CharacterCount(text) > field->second.characters)
            return "Texte trop long pour " + name + " : " + std::to_string(CharacterCount(text)) +
                   " caractères, au plus " + std::to_string(field->second.characters);
    }
    return {};
}

std::shared_ptr<const FieldLengthMap> FieldLengths::of(Session& s, const std::string& concession) {
    const auto now = std::chrono::steady_clock::now();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto found = byConcession_.find(concession);
        if (found != byConcession_.end() && now - found->second.read < keep_) return found->second.lengths;
    }
    auto lengths = std::make_shared<const FieldLengthMap>(ReadFieldLengths(s.tabDescriptions(concession)));
    std::lock_guard<std::mutex> lock(mutex_);
    byConcession_[concession] = {lengths, now};
    return lengths;
}

}  // namespace stanor::dataservice
