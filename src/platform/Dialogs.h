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

    std::vector<Shown> shown;
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
