#pragma once
// Printable sheets: a plain PDF of the record named by "rptSelect" ("idVO=N" or
// "idClient=N"), titled by "rptName"; the margin sheet adds the cost lines and
// their total. A development stand-in for the dealership's report server.

#include "Database.h"

#include <string>
#include <vector>

namespace stanor::dataservice {

// A PDF document of lines of text (ISO-8859-1), cut into A4 pages.
std::string MakePdf(const std::string& title, const std::vector<std::string>& lines);

struct Report {
    bool ok = false;
    std::string body;   // the PDF, or the French reason when not ok
};

Report BuildReport(Session& s, const std::string& select, const std::string& name, const std::string& today);

}  // namespace stanor::dataservice
