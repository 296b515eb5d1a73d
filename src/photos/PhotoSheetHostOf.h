#pragma once
// Builds the photo page's host from the main form's published members. A
// template, so that this library does not depend on the form's.

#include "photos/PhotoSheetHost.h"
#include "images/UnitBlur.h"

#include <QHttpMultiPart>

namespace stanor::photos {

template <class Form>
PhotoSheetHost photoSheetHostOf(Form& f)
{
    PhotoSheetHost h;
    h.dialogs = &f.context().dialogs;
    h.settings = &f.context().settings;
    h.owner = &f;
    h.now = [&f] { return f.context().clock.now(); };
    h.traceDir = [&f] { return f.TraceDir; };
    h.urlImages = [&f] { return f.URLImages; };
    h.requests = [&f] { return f.Requests(); };
    h.httpExecute = [&f](const QString& url, const QString& file) { f.HttpExecute(url, file); };
    h.httpPost = [&f](const QString& url, const QString& file, std::unique_ptr<QHttpMultiPart> form) {
        f.HttpPost(url, file, std::move(form));
    };
    h.downloadPhoto = [&f](const QString& url) { return f.Http().DownloadPhoto(url); };
    h.requestError = [&f] { return f.requestError(); };
    h.getIdVO = [&f](bool report) { return f.GetIdVO(report); };
    h.updateView = [&f](bool reload) { f.UpdateView(reload); };
    h.saveUnderWay = [&f] { return f.SaveUnderWay(); };
    h.saveBeforeReload = [&f] { return f.SaveBeforeLeaving(); };
    h.proxyInUse = [&f] { return f.Http().ProxyInUse(); };
    h.showError = [&f](const QString& message) { f.ShowDefaultError(message); };
    h.trace = [&f](const QString& text) { f.WriteTrace(text); };
    // The program entry makes it a window of the main form.
    h.blurForm = [&f] { return f.template findChild<images::TFrmBlur*>(QString(), Qt::FindDirectChildrenOnly); };
    h.showBlurForm = [](images::TFrmBlur& form) { form.exec(); };
    return h;
}

}  // namespace stanor::photos
