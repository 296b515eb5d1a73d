#include "SheetValues.h"

#include "rules/Values.h"

#include <QString>

#include <cctype>
#include <cstdlib>

namespace stanor::dataservice::sheets {

namespace {

const std::string kThin = "\u202F";     // between thousands
const std::string kNoBreak = "\u00A0";  // before the unit

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

bool IsBlankItem(const std::string& item) { return item.empty() || item == ".."; }

// "84500" -> "84 500".
std::string Grouped(const std::string& digits) {
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += kThin;
        out.push_back(digits[i]);
    }
    return out;
}

}  // namespace

Lookups::Lookups(Session& s, const std::string& concession) {
    for (const auto& row : s.query("SELECT ParType, ParText FROM ListPars ORDER BY upper(ParType), ParIndex, rowid").rows)
        pars_[Upper(row[0])].push_back(row[1]);
    for (const auto& row : s.query("SELECT OptList, Abbr, eText FROM ListOptions ORDER BY OptList, OptIndex").rows)
        options_[Upper(row[0])].emplace(Upper(row[1]), row[2]);
    for (const auto& row : s.query("SELECT idCom, cNom FROM tCommerciaux").rows)
        if (!IsBlankItem(Trim(row[1]))) salespeople_[row[0]] = row[1];
    for (const auto& row : s.query("SELECT Site, Marques FROM tSites WHERE Concession = ?", {concession}).rows) {
        std::string marks;
        size_t from = 0;
        const std::string& list = row[1];
        while (from <= list.size()) {
            size_t semi = list.find(';', from);
            if (semi == std::string::npos) semi = list.size();
            const std::string mark = Trim(list.substr(from, semi - from));
            if (!mark.empty()) marks += (marks.empty() ? "" : " \u00B7 ") + mark;
            from = semi + 1;
        }
        marks_[Upper(row[0])] = marks;
    }
    const ResultSet options = s.optionDates(concession);
    if (!options.rows.empty()) vatRate_ = options.value(0, "Opt_TauxTVA");
}

int Lookups::index(const std::string& list, const std::string& position) const {
    auto it = pars_.find(Upper(list));
    const std::string p = Trim(position);
    if (it == pars_.end() || p.empty() || p.size() > 6 || p.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    const int n = std::stoi(p);
    const int index = IsBlankItem(it->second.front()) ? n : n - 1;
    return index >= 0 && index < static_cast<int>(it->second.size()) ? index : -1;
}

std::string Lookups::item(const std::string& list, const std::string& position) const {
    const int i = index(list, position);
    if (i < 0) return {};
    const std::string& item = pars_.at(Upper(list))[static_cast<size_t>(i)];
    return IsBlankItem(item) ? std::string() : item;
}

int Lookups::count(const std::string& list) const {
    auto it = pars_.find(Upper(list));
    return it == pars_.end() ? 0 : static_cast<int>(it->second.size());
}

std::string Lookups::text(const std::string& list, const std::string& value) const {
    const std::string v = Trim(value);
    if (IsBlankItem(v)) return {};
    auto it = pars_.find(Upper(list));
    if (it != pars_.end())
        for (const std::string& item : it->second) {
            const size_t sep = item.find(" : ");
            if (sep != std::string::npos && Upper(item.substr(0, sep)) == Upper(v)) return item.substr(sep + 3);
        }
    return v;
}

std::string Lookups::options(const std::string& list, const std::string& value) const {
    auto it = options_.find(Upper(list));
    std::string out;
    size_t from = 0;
    while (from <= value.size()) {
        size_t semi = value.find(';', from);
        if (semi == std::string::npos) semi = value.size();
        const std::string key = Trim(value.substr(from, semi - from));
        if (!key.empty()) {
            std::string shown = key;
            if (it != options_.end()) {
                auto found = it->second.find(Upper(key));
                if (found != it->second.end()) shown = found->second;
            }
            out += (out.empty() ? "" : ", ") + shown;
        }
        from = semi + 1;
    }
    return out;
}

std::string Lookups::salesperson(const std::string& id) const {
    auto it = salespeople_.find(Trim(id));
    return it == salespeople_.end() ? std::string() : it->second;
}

std::string Lookups::marks(const std::string& site) const {
    auto it = marks_.find(Upper(Trim(site)));
    return it == marks_.end() ? std::string() : it->second;
}

std::string MoneyCents(long long cents) {
    const bool negative = cents < 0;
    const unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(cents) : cents;
    const std::string fraction = std::to_string(magnitude % 100);
    return (negative ? "-" : "") + Grouped(std::to_string(magnitude / 100)) + "," +
           (fraction.size() == 1 ? "0" : "") + fraction + kNoBreak + "\u20AC";
}

std::string Money(const std::string& amount) {
    const auto cents = rules::readAmount(QString::fromStdString(amount));
    return cents ? MoneyCents(*cents) : std::string();
}

std::string Percent(const std::string& rate) {
    const auto hundredths = rules::readAmount(QString::fromStdString(rate));
    if (!hundredths) return {};
    const long long whole = *hundredths / 100, fraction = std::llabs(*hundredths % 100);
    std::string out = std::to_string(whole);
    if (fraction % 10 != 0) out += "," + std::string(fraction < 10 ? "0" : "") + std::to_string(fraction);
    else if (fraction != 0) out += "," + std::to_string(fraction / 10);
    return out + kNoBreak + "%";
}

std::string Number(const std::string& value, const std::string& unit) {
    const std::string v = Trim(value);
    if (v.empty()) return {};
    const bool negative = v[0] == '-';
    const std::string digits = negative ? v.substr(1) : v;
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos)
        return unit.empty() ? v : v + kNoBreak + unit;
    return (negative ? "-" : "") + Grouped(digits) + (unit.empty() ? "" : kNoBreak + unit);
}

std::string Day(const std::string& value) { return Trim(value).substr(0, 10); }

std::string YesNo(const std::string& value) {
    const std::string v = Upper(Trim(value));
    if (v == "TRUE") return "Oui";
    if (v == "FALSE") return "Non";
    return Trim(value);
}

std::string Lines(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out.push_back('\n');
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return Trim(out);
}

std::string Join(const std::vector<std::string>& parts, const std::string& separator) {
    std::string out;
    for (const std::string& p : parts) {
        const std::string t = Trim(p);
        if (t.empty()) continue;
        out += (out.empty() ? "" : separator) + t;
    }
    return out;
}

}  // namespace stanor::dataservice::sheets
