#pragma once
// Builds the record view's host from the main form's published members (run
// parameters, trace, requests), so that the form only has to say which form
// it is. A template, so that this library does not depend on the form's.

#include "pages/RecordViewState.h"

#include <QDate>

namespace stanor::pages {

template <class Form>
RecordViewHost recordViewHostOf(Form& f)
{
    RecordViewHost h;
    h.trace = [&f](const QString& t) { f.WriteTrace(t); };
    h.answerPath = [&f](const QString& name) { return f.Requests().answerPath(name); };
    h.baseHRef = [&f] { return f.BaseHRef; };
    h.idUser = [&f] { return f.IdUser; };
    h.idTypeVO = [&f] { return f.IdTypeVO; };
    h.paramCount = [&f] { return f.ParamCount; };
    h.userConcession = [&f] { return f.UserConcession; };
    h.userSite = [&f] { return f.UserSite; };
    h.setUserParams = [&f](const QString& concession, const QString& site) {
        f.UserConcession = concession;
        f.UserSite = site;
    };
    h.httpExecute = [&f](const QString& url, const QString& file) { f.HttpExecute(url, file); };
    h.requestError = [&f] { return f.requestError(); };
    h.infoVOUrl = [&f] { return f.Requests().infoVO().url; };
    h.infoCLUrl = [&f] { return f.Requests().infoCL().url; };
    h.today = [&f] { return f.context().clock.today(); };
    h.superAdminDisplay = [&f](bool on) { f.SetSuperAdminDisplay(on); };
    return h;
}

}  // namespace stanor::pages
