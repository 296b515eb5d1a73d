#pragma once
// A form stand-in that records what the request machinery shows and traces.

#include "service/ServiceHost.h"

#include <QStringList>
#include <deque>
#include <optional>
#include <ostream>
#include <vector>

// Readable QString values in test failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace stanor::service::test {

class TestHost final : public ServiceHost {
public:
    void writeTrace(const QString& text) override { trace << text; }
    void setRequestError(const QString& text) override
    {
        error = text;
        panelWarning = !text.isEmpty();
    }
    QString requestError() const override { return error; }
    void setDebugInfo1(const QString& text) override { debugInfo1 = text; }
    void appendVersionText(const QString& text) override { version += text; }
    int idleSeconds() const override { return idle; }
    void resetIdleSeconds() override { idle = 0; }
    QString idClient() const override { return customer; }
    ServiceParams params() const override { return serviceParams; }
    bool ctrlHeld() const override { return ctrl; }
    QString netrcFile() const override { return netrc; }
    std::optional<QString> askPassword(const QString& user, const QString& message) override
    {
        prompts.push_back({user, message});
        if (passwords.empty())
            return std::nullopt;
        const bool typed = passwords.front().has_value();
        const QString text = passwords.front().value_or(QString());
        passwords.pop_front();
        return typed ? std::optional<QString>(text) : std::nullopt;
    }
    QString userName() const override { return name; }

    // Trace entries starting with `prefix`.
    QStringList traced(const QString& prefix) const
    {
        QStringList out;
        for (const QString& t : trace)
            if (t.startsWith(prefix))
                out << t;
        return out;
    }

    QStringList trace;
    QString error;
    bool panelWarning = false;
    QString debugInfo1;
    QString version = QStringLiteral("TAxStanor-1.0.0.1-");
    int idle = 0;
    QString customer;
    ServiceParams serviceParams;
    bool ctrl = false;
    // The sign-in: the netrc file (none by default), the dialog's answers in
    // turn (Cancel when none is left) and what each dialog showed.
    QString netrc;
    std::deque<std::optional<QString>> passwords;
    struct Prompt {
        QString user, message;
    };
    std::vector<Prompt> prompts;
    QString name;
};

}  // namespace stanor::service::test
