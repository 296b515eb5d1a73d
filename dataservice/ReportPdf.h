#pragma once
// The printable sheets of the "ReportPDF" address: the report named by
// "rptName" for the record named by "rptSelect" ("idVO=N" or "idClient=N"),
// drawn as a PDF. A report that does not exist, a selection that does not fit
// it or a record that is missing is refused with a French reason.

#include "Limits.h"
#include "Store.h"

#include <string>

namespace stanor::dataservice {

struct Report {
    bool ok = false;
    std::string body;    // the PDF, or the French reason when not ok
    bool limit = false;  // refused by the service's time limit for a sheet
};

// `today` is the service's date ("dd/mm/yyyy"); the vehicles' default photos
// are read from `imagesDir`. A record of another dealership than `dealership`
// (the user's) is answered as missing. Drawing stops at the limits' time for a
// sheet.
Report BuildReport(Session& s, const std::string& select, const std::string& name, const std::string& today,
                   const std::string& imagesDir, const std::string& dealership, const ServiceLimits& limits = {});

}  // namespace stanor::dataservice
