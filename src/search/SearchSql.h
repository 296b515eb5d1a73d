#pragma once
// The search statement of the search panel: one SELECT per search mode,
// sent as the SQL parameter of an AxQuery request.

#include <QString>

namespace stanor::search {

// The inputs of one search.
struct SearchInput {
    QString Mode;        // "1" to "7": registration, buyer, vehicle number (vehicles);
                         // customer's vehicle registration, surname, mobile, home phone (customers)
    QString Text;        // the search text as typed
    QString Site;        // site filter of vehicle searches; empty for none
    int TypeIndex = -1;  // record-kind filter of vehicle searches: -1 or 0 all, 1 VO, 2 VN, 3 and more VD
    bool ExactSearch = false;
    bool SearchWithFirstName = false;  // refine a surname search by FirstName
    QString FirstName;
};

// The statement and what the form shows of it.
struct SearchStatement {
    QString Sql;        // the statement ready for the request; empty when refused
    QString Condition;  // its WHERE condition as written in SQL (before the query escapes)
    // Grid column of the searched value: 2, 3, 4 or 6 (ngsInfo1, 2, 3, 5); 0 when refused.
    int SearchHighlightCol = 0;
    QString Caption;    // LbSearch: "recherche exacte :" or "à rechercher :"
    bool SearchWithFirstName = false;  // cleared by every build: the refinement is for one search
    QString Reason;     // why nothing was built

    bool ok() const { return !Sql.isEmpty(); }
};

// True when the text is non-empty and made of the digits "0" to "9" only.
bool IsAllDigits(const QString& text);

// A text typed by the user made fit for a quoted literal: carriage returns,
// line feeds and tabs removed, single quotes doubled.
QString PrepareSearchText(const QString& text);

// The statement of a search:
// "SELECT " columns " FROM " table " WHERE " condition " ORDER BY " order,
// the condition being the record-kind filter, the site filter and the
// condition of the mode, in this order (filters for vehicle modes only).
// The search text, site and first name are prepared as above; in exact
// mode the texts are compared with "=" instead of contained. Every "%" of
// the result is written %25 (and the other characters a query string would
// cut, as in the text literals). A mode other than "1" to "7" is refused.
SearchStatement BuildSearchSql(const SearchInput& input);

}  // namespace stanor::search
