#pragma once
// What the search panel and the duplicate indicators ask of the main form:
// the remembered choices, the requests, the user's sites and the Ctrl key,
// the two countdowns of the timer, and the record commands that step
// through the hits (opening one saves what is pending first).

#include "service/RequestCatalogue.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace stanor::search {

struct SearchHost {
    // Remembered choices under the program's key ("svText1", "svOpt2", ...).
    std::function<QString(const QString& name)> getSetting;
    std::function<void(const QString& name, const QString& value)> setSetting;

    std::function<service::RequestCatalogue()> requests;
    // Sends a GET and writes its answer into the file.
    std::function<void(const QString& url, const QString& file)> httpExecute;
    // The error text of the last request (LbDebugInfo0): empty means success.
    std::function<QString()> requestError;
    // Shows a fault as a request error (status label and warning panel).
    std::function<void(const QString& text)> setRequestError;
    std::function<void(const QString& text)> trace;

    // The user's sites, "#" for all.
    std::function<QString()> userSite;
    std::function<bool()> ctrlHeld;

    // Countdowns in timer ticks: the search and the duplicate check run
    // when theirs passes from 1 to 0.
    std::function<void(int ticks)> setSearchDelay;
    std::function<QString()> dblField;
    std::function<void(const QString& kind)> setDblChange;

    // The hits of the last search, in the grid's order: the identifiers the
    // rows open (vehicles, or customers), the row the buttons follow, and
    // opening a row (after saving what is pending; false when it was not
    // opened and the record shown stays).
    // kinds: each vehicle's record kind (SearchRow::Kind).
    std::function<void(const QStringList& ids, bool customers, const QList<int>& kinds)> setHits;
    std::function<void(int row)> selectHit;
    std::function<int()> currentHit;
    std::function<bool(int row)> openHit;
};

}  // namespace stanor::search
