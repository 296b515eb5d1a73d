#include "TextCodec.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <unordered_map>

namespace stanor::dataservice {

namespace {

// The code page read once from ICU's converter: the character of each byte,
// and the byte of each character beyond ISO-8859-1 that it holds.
struct AnsiTable {
    std::array<char32_t, 256> text{};
    std::array<bool, 256> defined{};
    std::unordered_map<char32_t, unsigned char> bytes;

    AnsiTable() {
        UErrorCode status = U_ZERO_ERROR;
        UConverter* c = ucnv_open("windows-1252", &status);
        for (int b = 0; b < 256; ++b) {
            text[size_t(b)] = char32_t(b);
            defined[size_t(b)] = !(b >= 0x80 && b <= 0x9F);
            if (!c || U_FAILURE(status)) continue;
            UErrorCode e = U_ZERO_ERROR;
            ucnv_setToUCallBack(c, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &e);
            const char byte = char(b);
            UChar out[2];
            e = U_ZERO_ERROR;
            const int32_t n = ucnv_toUChars(c, out, 2, &byte, 1, &e);
            // The bytes the code page leaves undefined come back as C1 controls.
            if (U_SUCCESS(e) && n == 1 && (out[0] < 0x80 || out[0] > 0x9F)) {
                text[size_t(b)] = out[0];
                defined[size_t(b)] = true;
                if (out[0] > 0xFF) bytes.emplace(out[0], static_cast<unsigned char>(b));
            }
        }
        if (c) ucnv_close(c);
    }
};

const AnsiTable& Ansi() {
    static const AnsiTable table;
    return table;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// The code point of the UTF-8 sequence at s[i] and its length (1 for a stray byte).
char32_t DecodeUtf8(std::string_view s, size_t i, size_t& len) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (len == 1 || i + len > s.size()) {
        len = 1;
        return c;
    }
    char32_t cp = len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    return cp;
}

// Whether Windows-1252 holds the character (the C1 controls excepted).
bool IsAnsi(char32_t cp) { return cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF) || Ansi().bytes.count(cp) != 0; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "U+20AC" for the UTF-8 bytes of one character.
std::string CodePointName(std::string_view utf8) {
    const unsigned char lead = static_cast<unsigned char>(utf8[0]);
    const size_t extra = utf8.size() - 1;
    unsigned int cp = extra == 0 ? lead : extra == 1 ? (lead & 0x1F) : extra == 2 ? (lead & 0x0F) : (lead & 0x07);
    for (size_t i = 1; i < utf8.size(); ++i) cp = (cp << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", cp);
    return buf;
}

bool IsAllowedControl(unsigned char c) { return c == '\t' || c == '\r' || c == '\n'; }

bool HasForbiddenControl(std::string_view utf8) {
    for (unsigned char c : utf8)
        if (c < 0x20 && !IsAllowedControl(c)) return true;
    return false;
}

}  // namespace

std::string QueryParams::get(const std::string& name) const {
    auto it = values.find(name);
    return it == values.end() ? std::string() : it->second;
}

std::string PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int hi = HexValue(text[i + 1]), lo = HexValue(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

bool IsValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int extra;
        unsigned int cp;
        if (c < 0x80) { ++i; continue; }
        if (c >= 0xC2 && c <= 0xDF) { extra = 1; cp = c & 0x1F; }
        else if (c >= 0xE0 && c <= 0xEF) { extra = 2; cp = c & 0x0F; }
        else if (c >= 0xF0 && c <= 0xF4) { extra = 3; cp = c & 0x07; }
        else return false;
        if (i + extra >= s.size()) return false;
        for (int k = 1; k <= extra; ++k) {
            unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += extra + 1;
    }
    return true;
}

std::optional<std::string> AnsiToUtf8(std::string_view bytes) {
    const AnsiTable& t = Ansi();
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (unsigned char c : bytes) {
        if ((c < 0x20 && !IsAllowedControl(c)) || c == 0x7F || !t.defined[c]) return std::nullopt;
        AppendUtf8(out, t.text[c]);
    }
    return out;
}

std::optional<std::string> ClientTextToUtf8(std::string_view bytes) {
    if (IsValidUtf8(bytes)) {
        if (HasForbiddenControl(bytes)) return std::nullopt;
        return std::string(bytes);
    }
    return AnsiToUtf8(bytes);
}

std::optional<std::string> CharacterBeyondAnsi(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        size_t len = 1;
        const char32_t cp = DecodeUtf8(s, i, len);
        if (!IsAnsi(cp)) return std::string(s.substr(i, len));
        i += len;
    }
    return std::nullopt;
}

ClientText ReadClientText(std::string_view bytes, const std::string& what) {
    ClientText out;
    auto text = ClientTextToUtf8(bytes);
    if (!text) {
        out.error = what + " contient des caractères invalides (codes de contrôle ou texte qui n'est ni UTF-8 "
                           "ni Windows-1252)";
        return out;
    }
    if (auto beyond = CharacterBeyondAnsi(*text)) {
        // Named by its code, since the answer (Windows-1252) could not show the character itself.
        out.error = what + " contient le caractère " + CodePointName(*beyond) +
                    ", que le jeu de caractères Windows-1252 du service ne peut pas représenter : la requête est "
                    "refusée et rien n'est enregistré";
        return out;
    }
    out.utf8 = std::move(*text);
    return out;
}

std::string Utf8ToAnsi(std::string_view s) {
    const AnsiTable& t = Ansi();
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        size_t len = 1;
        const char32_t cp = DecodeUtf8(s, i, len);
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out.push_back(static_cast<char>(cp));
        } else if (const auto it = t.bytes.find(cp); it != t.bytes.end()) {
            out.push_back(static_cast<char>(it->second));
        } else {
            out.push_back('?');
        }
        i += len;
    }
    return out;
}

QueryParams ParseQuery(std::string_view query) {
    QueryParams params;
    size_t pos = 0;
    while (pos <= query.size()) {
        size_t amp = query.find('&', pos);
        if (amp == std::string_view::npos) amp = query.size();
        std::string_view part = query.substr(pos, amp - pos);
        pos = amp + 1;
        if (part.empty()) continue;
        size_t eq = part.find('=');
        if (eq == std::string_view::npos || eq == 0) {
            params.error = "Paramètre mal formé dans la requête : \"" +
                           std::string(part.substr(0, 60)) + "\"";
            return params;
        }
        std::string name = PercentDecode(part.substr(0, eq));
        const std::string what = "Le paramètre \"" + name.substr(0, 40) + "\"";
        ClientText value = ReadClientText(PercentDecode(part.substr(eq + 1)), what);
        if (value.ok() && !ClientTextToUtf8(name)) value.error = what + " a un nom invalide";
        if (!value.ok()) {
            params.error = value.error;
            return params;
        }
        if (params.values.count(name)) {
            params.error = "Le paramètre \"" + name.substr(0, 40) + "\" est donné plusieurs fois";
            return params;
        }
        params.values.emplace(std::move(name), std::move(value.utf8));
    }
    return params;
}

bool IsValidDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int days = kDays[month - 1];
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month == 2 && leap) days = 29;
    return day <= days;
}

std::string IsoToFrenchDate(const std::string& iso) {
    int y, m, d, hh = 0, mm = 0, ss = 0;
    char tail;
    if (iso.size() == 10 && std::sscanf(iso.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) == 3 &&
        iso[4] == '-' && iso[7] == '-') {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", d, m, y);
        return buf;
    }
    if (iso.size() >= 16 && iso[4] == '-' && iso[7] == '-' && (iso[10] == ' ' || iso[10] == 'T')) {
        int n = std::sscanf(iso.c_str(), "%4d-%2d-%2d%*c%2d:%2d:%2d", &y, &m, &d, &hh, &mm, &ss);
        if (n >= 5) {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d", d, m, y, hh, mm, n == 6 ? ss : 0);
            return buf;
        }
    }
    return iso;
}

}  // namespace stanor::dataservice
