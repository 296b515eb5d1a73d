#pragma once
// Message boxes, folder picker and file open, behind one interface so that
// tests script the answers and never show a modal box.

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

namespace stanor::platform {

enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual MsgResult messageBox(const QString& caption, const QString& text, MsgIcon icon,
                                 MsgButtons buttons) = 0;
    // Empty when the user cancels.
    virtual QString pickFolder(const QString& caption, const QString& start) = 0;
    virtual QString openFile(const QString& caption, const QString& start, const QString& filter) = 0;
    // A password dialog captioned `caption`: `user` names who signs in,
    // `message` (when not empty) says why it asks again. Nothing on Cancel,
    // which is also the answer of dialogs that cannot ask.
    virtual std::optional<QString> askPassword(const QString& caption, const QString& user, const QString& message) {
        (void)caption;
        (void)user;
        (void)message;
        return std::nullopt;
    }
};

// Records every box shown and answers from a queue (Ok / Yes by default).
class ScriptedDialogs final : public Dialogs {
public:
    struct Shown {
        QString caption, text;
        MsgIcon icon;
        MsgButtons buttons;
    };
    MsgResult messageBox(const QString& caption, const QString& text, MsgIcon icon,
                         MsgButtons buttons) override {
        shown.push_back({caption, text, icon, buttons});
        if (!answers.empty()) {
            MsgResult r = answers.front();
            answers.pop_front();
            return r;
        }
        return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgResult::Yes
                                                                                   : MsgResult::Ok;
    }
    QString pickFolder(const QString&, const QString&) override { return next(folders); }
    QString openFile(const QString&, const QString&, const QString&) override { return next(files); }
    std::optional<QString> askPassword(const QString& caption, const QString& user, const QString& message) override {
        passwordPrompts.push_back({caption, user, message});
        if (passwords.empty()) return std::nullopt;
        const bool typed = passwords.front().has_value();
        const QString text = passwords.front().value_or(QString());
        passwords.pop_front();
        return typed ? std::optional<QString>(text) : std::nullopt;
    }

    struct PasswordPrompt {
        QString caption, user, message;
    };
    std::vector<Shown> shown;
    // Password dialogs, apart from the message boxes; answered in turn from
    // `passwords` (nothing: Cancel), Cancel when none is left.
    std::vector<PasswordPrompt> passwordPrompts;
    std::deque<std::optional<QString>> passwords;
    std::deque<MsgResult> answers;
    std::deque<QString> folders, files;

private:
    static QString next(std::deque<QString>& q) {
        if (q.empty()) return {};
        QString s = q.front();
        q.pop_front();
        return s;
    }
};

}  // namespace stanor::platform
