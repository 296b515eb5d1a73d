#pragma once
// The inputs of a search written on one line.

#include "search/SearchSql.h"

inline stanor::search::SearchInput input(const char* mode, const char* text, const char* site = "",
                                         int typeIndex = -1, bool exact = false, bool withFirstName = false,
                                         const char* firstName = "") {
    return {QLatin1String(mode), QString::fromUtf8(text), QString::fromUtf8(site), typeIndex, exact, withFirstName,
            QString::fromUtf8(firstName)};
}
