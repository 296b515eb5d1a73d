#pragma once
// Values of a record as a printed sheet shows them: list positions and
// abbreviations replaced by the texts of the reference lists, salespeople by
// their names, dates "dd/mm/yyyy", amounts with two decimals in the French
// manner ("12 500,00 €").

#include "Store.h"

#include <map>
#include <string>
#include <vector>

namespace stanor::dataservice::sheets {

// The reference lists of one dealership, read once per sheet.
class Lookups {
public:
    Lookups(Session& s, const std::string& concession);

    // Item of a list stored by position ("ModeTVA", "TypeAction" ...): the
    // 1-based position, counted from 0 when the list starts with the blank
    // item ".."; "" when out of range or blank.
    std::string item(const std::string& list, const std::string& position) const;
    // The index of that item in the list as a page's list box holds it (the
    // blank item included); -1 when out of range.
    int index(const std::string& list, const std::string& position) const;
    // Number of items of a list.
    int count(const std::string& list) const;
    // Text of a value stored as an abbreviation in a list of "ABBR : text"
    // items ("GO" -> "Gazole"); the value itself when no item matches.
    std::string text(const std::string& list, const std::string& value) const;
    // ";A;B;" of an option list as "text of A, text of B" (unknown keys as they stand).
    std::string options(const std::string& list, const std::string& value) const;
    // Name of a salesperson by identifier; "" for none or the blank entry.
    std::string salesperson(const std::string& id) const;
    // Marks sold at a site of the dealership, "VW · AUDI".
    std::string marks(const std::string& site) const;
    // The dealership's VAT rate in percent ("20.00"), "" when it has none.
    const std::string& vatRate() const { return vatRate_; }

private:
    std::map<std::string, std::vector<std::string>> pars_;                 // list (upper case) -> items
    std::map<std::string, std::map<std::string, std::string>> options_;    // list -> key (upper) -> text
    std::map<std::string, std::string> salespeople_;                       // idCom -> name
    std::map<std::string, std::string> marks_;                             // site (upper) -> marks
    std::string vatRate_;
};

// "12500.00" -> "12 500,00 €" (a narrow no-break space between thousands);
// "" for an empty or unreadable amount.
std::string Money(const std::string& amount);
// The same from whole cents.
std::string MoneyCents(long long cents);
// A rate in percent as French writes it: "20.00" -> "20 %", "19.6" -> "19,6 %".
std::string Percent(const std::string& rate);
// A whole number with its thousands apart ("84500" -> "84 500"), then `unit`.
std::string Number(const std::string& value, const std::string& unit = "");
// "dd/mm/yyyy" of a date or date-time value.
std::string Day(const std::string& value);
// "True"/"False" -> "Oui"/"Non".
std::string YesNo(const std::string& value);
// Line breaks of a stored text as plain "\n", surrounding blanks trimmed.
std::string Lines(const std::string& text);
// The non-empty parts joined by `separator`.
std::string Join(const std::vector<std::string>& parts, const std::string& separator = " ");

}  // namespace stanor::dataservice::sheets
