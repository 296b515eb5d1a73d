#pragma once
// Builds the search host from the main form's published members, so that
// the form only says which form it is. A template, so that this library
// does not depend on the form's.

#include "search/SearchHost.h"

namespace stanor::search {

template <class Form>
SearchHost searchHostOf(Form& f)
{
    SearchHost h;
    h.getSetting = [&f](const QString& name) { return f.GetTagRegistry(name); };
    h.setSetting = [&f](const QString& name, const QString& value) { f.SetTagRegistry(name, value); };
    h.requests = [&f] { return f.Requests(); };
    h.httpExecute = [&f](const QString& url, const QString& file) { f.HttpExecute(url, file); };
    h.requestError = [&f] { return f.requestError(); };
    h.setRequestError = [&f](const QString& text) { f.setRequestError(text); };
    h.trace = [&f](const QString& text) { f.WriteTrace(text); };
    h.userSite = [&f] { return f.UserSite; };
    h.ctrlHeld = [&f] { return f.ctrlHeld(); };
    h.setSearchDelay = [&f](int ticks) { f.SearchDelay = ticks; };
    h.dblField = [&f] { return f.DblField; };
    h.setDblChange = [&f](const QString& kind) { f.setDblChange(kind); };
    return h;
}

}  // namespace stanor::search
