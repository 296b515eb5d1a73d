#pragma once
// The duplicate-customer checks of the customer page: how many customers
// already carry the surname, surname and first name, mobile number or home
// phone number being typed, and the search an indicator opens.

#include <QString>

#include <optional>
#include <vector>

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
// A stored customer (exceptIdClient, a number above 0) is not counted among
// its own duplicates: "where idClient<>N" comes before the grouping.
// Empty when the field (the surname for "Ident") is empty or the kind unknown.
QString DuplicateCountSql(const QString& kind, const QString& value, const QString& firstName = {},
                          const QString& exceptIdClient = {});

// Whether an indicator's count says that other customers carry the value.
bool DuplicateFound(const QString& count);

// A stored record that a record being saved would duplicate.
struct DuplicateRecord {
    QString id;     // idTVO of a vehicle, idClient of a customer
    int kind = 0;   // a vehicle's record kind (1 VO, 2 VN, 3 VD); 0 for a customer
    QString text;   // as the question lists it
};

// The vehicles of the dealership other than exceptIdTVO that carry the stock
// number (when it is a number) or the registration (when there is one);
// empty when neither is given.
QString VehicleDuplicatesSql(const QString& stockNumber, const QString& registration, const QString& exceptIdTVO,
                             const QString& concession);
// "VO-Nd-1201 · AB123CD · RENAULT CLIO", with what it shares.
std::vector<DuplicateRecord> ReadVehicleDuplicates(const QString& answer, const QString& stockNumber,
                                                   const QString& registration);

// The customers of the dealership with the same surname and first name (a
// surname alone when there is no first name), mobile or home phone; empty
// when none of them is given.
QString CustomerDuplicatesSql(const QString& surname, const QString& firstName, const QString& mobile,
                              const QString& homePhone, const QString& concession);
// "DUPONT Jean · LILLE · 06 12 34 56 78".
std::vector<DuplicateRecord> ReadCustomerDuplicates(const QString& answer);

// The count an indicator shows from the answer: "cpt" of the first
// "AXQuery" item, empty when the answer holds none (no such customer).
QString DuplicateCountOf(const QString& answer);

}  // namespace stanor::search
