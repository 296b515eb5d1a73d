#pragma once
// Builds the editing handlers' host from the main form's published members,
// so that the form only says which form it is. A template, so that this
// library does not depend on the form's.

#include "pages/EditingHost.h"

#include <QApplication>

namespace stanor::pages {

template <class Form>
EditingHost editingHostOf(Form& f)
{
    EditingHost h;
    h.dialogs = &f.context().dialogs;
    h.keyboard = &f.context().keyboard;
    h.beep = [] { QApplication::beep(); };
    h.requests = [&f] { return f.Requests(); };
    h.requestError = [&f] { return f.requestError(); };
    h.updateView = [&f](bool reload) { f.UpdateView(reload); };
    h.blinking = [&f] { return f.Blinking; };
    h.setBlinking = [&f](bool on) {
        f.Blinking = on;
        f.BlinkTicks = 0;
    };
    h.setDblChange = [&f](const QString& kind) { f.setDblChange(kind); };
    h.saveUnderWay = [&f] { return f.SaveUnderWay(); };
    h.saveBeforeReload = [&f] { return f.SaveBeforeLeaving(); };
    return h;
}

}  // namespace stanor::pages
