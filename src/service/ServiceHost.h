#pragma once
// What the request machinery needs from the main form, so that it does not
// depend on the form: the trace log, the status labels, the idle counter,
// the run parameters and the keyboard.

#include <QString>
#include <optional>

namespace stanor::service {

// The run parameters that the requests are built from.
struct ServiceParams {
    QString baseHRef;        // ends with "/"
    QString userConcession;
    QString idTVO;
    QString idUser;
    QString traceDir;        // folder of the answer files
};

class ServiceHost {
public:
    virtual ~ServiceHost() = default;

    // Appends an entry to the trace log (nothing when the trace is off).
    virtual void writeTrace(const QString& text) = 0;
    // Sets the caption of LbDebugInfo0; PanelWarning is shown exactly when it
    // is non-empty. An empty text after a request is the success signal.
    virtual void setRequestError(const QString& text) = 0;
    virtual QString requestError() const = 0;
    // Caption of LbDebugInfo1.
    virtual void setDebugInfo1(const QString& text) = 0;
    // Appends text to the caption of LbVersion.
    virtual void appendVersionText(const QString& text) = 0;

    // Seconds since the last request, counted by the form's timer.
    virtual int idleSeconds() const = 0;
    virtual void resetIdleSeconds() = 0;

    // Caption of LbIDCustomer, added to every GET.
    virtual QString idClient() const = 0;
    virtual ServiceParams params() const = 0;
    // Whether the Ctrl key is held down (forces fresh copies of cached answers).
    virtual bool ctrlHeld() const = 0;

    // ---- Signing in to the data service, when it asks (the defaults sign nobody in) ----
    // The user's netrc file, where an unattended workstation keeps the
    // service's password ("~/" is the home folder); empty: none is read.
    virtual QString netrcFile() const { return {}; }
    // The password typed in the dialog "Connexion au service de données";
    // `user` names who signs in, `message` says why it is asked again.
    // Nothing when the user cancels.
    virtual std::optional<QString> askPassword(const QString& user, const QString& message)
    {
        (void)user;
        (void)message;
        return std::nullopt;
    }
    // The user's name as the service last gave it (empty until then).
    virtual QString userName() const { return {}; }
};

}  // namespace stanor::service
