#include "TextFold.h"

#include <unicode/ucasemap.h>
#include <unicode/utf8.h>

#include <stdexcept>

namespace stanor::dataservice {

namespace {

// Folding is read-only on the map, which may then be shared by every thread.
const UCaseMap* CaseMap() {
    static const UCaseMap* map = [] {
        UErrorCode status = U_ZERO_ERROR;
        UCaseMap* m = ucasemap_open("", U_FOLD_CASE_DEFAULT, &status);
        if (U_FAILURE(status)) throw std::runtime_error(std::string("ICU : ") + u_errorName(status));
        return m;
    }();
    return map;
}

bool IsAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c & 0x80) return false;
    return true;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// Code points of a folded text; a byte that is not UTF-8 stands for itself.
std::u32string CodePoints(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(s.data());
    const int32_t length = static_cast<int32_t>(s.size());
    for (int32_t i = 0; i < length;) {
        const int32_t start = i;
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        out.push_back(c < 0 ? static_cast<char32_t>(0x110000 + bytes[start]) : static_cast<char32_t>(c));
    }
    return out;
}

// The LIKE match over sequences whose characters `norm` folds: one
// backtracking point, the last "%" seen, is enough for patterns of "%" and "_"
// (O(pattern x text) at worst).
template <typename Char, typename Norm>
std::optional<bool> Match(std::basic_string_view<Char> p, std::basic_string_view<Char> t, std::optional<Char> escape,
                          const std::chrono::steady_clock::time_point* deadline, Norm norm) {
    const size_t none = std::basic_string_view<Char>::npos;
    size_t pi = 0, ti = 0, starP = none, starT = 0;
    unsigned long steps = 0;
    while (ti < t.size()) {
        if (deadline && (++steps & 0xFFFF) == 0 && std::chrono::steady_clock::now() > *deadline) return std::nullopt;
        if (pi < p.size()) {
            const Char c = norm(p[pi]);
            if (escape && c == *escape) {
                if (pi + 1 < p.size() && norm(p[pi + 1]) == norm(t[ti])) {
                    pi += 2;
                    ++ti;
                    continue;
                }
            } else if (c == Char('%')) {
                while (pi < p.size() && p[pi] == Char('%')) ++pi;
                if (pi == p.size()) return true;
                starP = pi;
                starT = ti;
                continue;
            } else if (c == Char('_') || c == norm(t[ti])) {
                ++pi;
                ++ti;
                continue;
            }
        }
        if (starP == none) return false;
        pi = starP;
        ti = ++starT;
        // Skip at once to the next place where the character after "%" can match.
        const Char next = norm(p[pi]);
        if (next != Char('_') && !(escape && next == *escape)) {
            while (ti < t.size() && norm(t[ti]) != next) ++ti;
            starT = ti;
        }
    }
    while (pi < p.size() && p[pi] == Char('%') && !(escape && *escape == Char('%'))) ++pi;
    return pi == p.size();
}

}  // namespace

std::string FoldCase(std::string_view s) {
    std::string out(s);
    if (IsAscii(s)) {
        for (char& c : out) c = AsciiLower(c);
        return out;
    }
    out.resize(s.size() + s.size() / 2 + 8);
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = ucasemap_utf8FoldCase(CaseMap(), out.data(), static_cast<int32_t>(out.size()), s.data(),
                                      static_cast<int32_t>(s.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        out.resize(static_cast<size_t>(n));
        status = U_ZERO_ERROR;
        n = ucasemap_utf8FoldCase(CaseMap(), out.data(), n, s.data(), static_cast<int32_t>(s.size()), &status);
    }
    if (U_FAILURE(status)) return std::string(s);
    out.resize(static_cast<size_t>(n));
    return out;
}

int CompareWithoutCase(std::string_view a, std::string_view b) {
    // Most texts are plain ASCII: compare byte by byte while both are, and fold
    // only what follows the first letter beyond it (folding is context-free,
    // so the folded texts share the folded prefix).
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    for (; i < n; ++i) {
        const unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if ((x | y) & 0x80) break;
        const char lx = AsciiLower(static_cast<char>(x)), ly = AsciiLower(static_cast<char>(y));
        if (lx != ly) return static_cast<unsigned char>(lx) < static_cast<unsigned char>(ly) ? -1 : 1;
    }
    if (i == n) return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
    const int c = FoldCase(a.substr(i)).compare(FoldCase(b.substr(i)));
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

std::optional<bool> LikeWithoutCase(std::string_view pattern, std::string_view text, std::string_view escape,
                                    const std::chrono::steady_clock::time_point* deadline) {
    // Plain ASCII, the common case, is matched in place.
    if (IsAscii(pattern) && IsAscii(text) && IsAscii(escape)) {
        if (escape.size() > 1) return std::nullopt;
        std::optional<char> esc;
        if (!escape.empty()) esc = AsciiLower(escape[0]);
        return Match<char>(pattern, text, esc, deadline, AsciiLower);
    }
    const std::u32string escapes = CodePoints(FoldCase(escape));
    if (escapes.size() > 1) return std::nullopt;
    std::optional<char32_t> esc;
    if (!escapes.empty()) esc = escapes[0];
    const std::u32string p = CodePoints(FoldCase(pattern)), t = CodePoints(FoldCase(text));
    return Match<char32_t>(p, t, esc, deadline, [](char32_t c) { return c; });
}

}  // namespace stanor::dataservice
