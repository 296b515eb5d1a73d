#pragma once
// Builds the host of saving and the record commands from the main form's
// published members. A template, so that this library does not depend on
// the form's.

#include "records/PersistenceHost.h"

namespace stanor::records {

template <class Form>
PersistenceHost persistenceHostOf(Form& f)
{
    PersistenceHost h;
    h.httpDisconnect = [&f] { f.HttpDisconnect(); };
    h.idTypeVO = [&f] { return f.IdTypeVO; };
    h.setIdTypeVO = [&f](int kind) { f.IdTypeVO = kind; };
    return h;
}

}  // namespace stanor::records
