#pragma once
// The duplicate-customer checks of the customer page: how many customers
// already carry the surname, surname and first name, mobile number or home
// phone number being typed, and the search an indicator opens.

#include <QString>

#include <optional>

namespace stanor::search {

// One check, by its kind ("Nom", "Ident", "Mobile", "TelDom").
struct DuplicateCheck {
    const char* Kind;
    const char* Indicator;  // DblNom, DblIdent, DblMobile, DblTelDom
    const char* Field;      // the customer field read
    const char* Column;     // the column counted
    const char* SearchMode; // the search an indicator click opens
    // What the click does with the first-name refinement: set it, clear it,
    // or leave it (no value).
    std::optional<bool> SearchWithFirstName;
};

// The check of a kind; none for an unknown kind.
const DuplicateCheck* FindDuplicateCheck(const QString& kind);

// "select count(idClient) as cpt from tClients group by COL having (COL='V')",
// V being the field's text trimmed and upper-cased; for "Ident" grouped by
// CliNom, CliPrenom and followed by " and (CliPreNom='FIRST NAME')". Texts
// have their quotes doubled and the query escapes of the text literals.
// Empty when the field (the surname for "Ident") is empty or the kind unknown.
QString DuplicateCountSql(const QString& kind, const QString& value, const QString& firstName = {});

// The count an indicator shows from the answer: "cpt" of the first
// "AXQuery" item, empty when the answer holds none (no such customer).
QString DuplicateCountOf(const QString& answer);

}  // namespace stanor::search
