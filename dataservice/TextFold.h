#pragma once
// Texts compared without regard to case, for every letter and not only A to Z:
// two texts are equal when their Unicode case foldings (ICU) are, so "È" and
// "è" are one letter and "ß" equals "SS", as the client's upper-casing makes
// them. Accents are kept: "E" and "É" stay different letters. The order is
// that of the folded texts' code points.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace stanor::dataservice {

// The case folding of a UTF-8 text; bytes that are not UTF-8 are kept as they are.
std::string FoldCase(std::string_view utf8);

// -1, 0 or 1 as `a` sorts before, with or after `b`, case ignored.
int CompareWithoutCase(std::string_view a, std::string_view b);

// `text` LIKE `pattern`, case ignored: "%" matches any run of characters, "_"
// one character, and `escape` (when not empty, one character) makes the next
// pattern character literal. Nothing when the escape is not one character or
// when `deadline` passed during a long match.
std::optional<bool> LikeWithoutCase(std::string_view pattern, std::string_view text, std::string_view escape = {},
                                    const std::chrono::steady_clock::time_point* deadline = nullptr);

}  // namespace stanor::dataservice
