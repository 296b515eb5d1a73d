#pragma once
// The keyboard and focus events of the claimed combo boxes (and the key-down
// of edits): Delete empties a text list, word completion offers the items of
// the combo box entered, and a super-administrator entering an editable
// reference list with Ctrl held edits the list itself (the list blinks in
// its frame; Ctrl+D or Ctrl+numeric minus deletes the text shown, Ctrl+S or
// Ctrl+numeric plus adds it).

#include "pages/EditingHost.h"
#include "pages/RecordViewForm.h"
#include "pages/RecordViewState.h"

#include <QPointer>
#include <QString>

class QWidget;

namespace stanor::toolkit {
class WordCompletion;
}

namespace stanor::pages {

class FieldHooks;
class ListEditor;

// Virtual-key codes these handlers look at.
namespace VirtualKey {
inline constexpr int Ctrl = 17;
inline constexpr int Delete = 46;
inline constexpr int D = 68;
inline constexpr int S = 83;
inline constexpr int NumPadPlus = 107;
inline constexpr int NumPadMinus = 109;
}  // namespace VirtualKey

class ComboEvents {
public:
    ComboEvents(FieldHooks& hooks, ListEditor& lists, RecordViewState& state, RecordViewForm& form,
                const EditingHost& host)
        : hooks_(hooks), lists_(lists), s_(state), f_(form), h_(host) {}

    // key may be set to 0 (the key is then swallowed); shift holds the Qt modifiers.
    void CBoxKeyDown(QWidget* sender, int& key, int shift);
    void cBoxKeyUp(QWidget* sender, int& key, int shift);
    void CBoxEnter(QWidget* sender);
    void CBoxExit(QWidget* sender);

    // The completion list and the combo box whose items it holds.
    toolkit::WordCompletion* completion() const { return completion_; }
    const QString& completionOwner() const { return completionOwner_; }
    // The combo box in list-editing mode, while it is on.
    QWidget* editedList() const { return editedList_; }

private:
    bool blinking() const;
    bool ctrlHeld(int shift) const;
    void listEditKey(QWidget* sender, int& key, int shift, int deleteKey, int addKey);

    FieldHooks& hooks_;
    ListEditor& lists_;
    RecordViewState& s_;
    RecordViewForm& f_;
    const EditingHost& h_;
    toolkit::WordCompletion* completion_ = nullptr;
    QString completionOwner_;
    QPointer<QWidget> editedList_;
    bool editedWasListOnly_ = false;  // the edited list takes only its items outside list editing
};

}  // namespace stanor::pages
