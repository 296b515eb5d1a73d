#include "pages/ComboEvents.h"

#include "pages/FieldHooks.h"
#include "pages/ListEditor.h"
#include "platform/Keyboard.h"
#include "records/ListEditing.h"
#include "toolkit/Controls.h"
#include "toolkit/WordCompletion.h"

#include <QFrame>

namespace stanor::pages {

using toolkit::ComboBox;

namespace {

bool isTextList(const TsDesc* d)
{
    return d && d->ControlType == ControlType::ComboText && d->DataType == DataType::Text;
}

}  // namespace

bool ComboEvents::blinking() const { return h_.blinking && h_.blinking(); }

// A key event carries the state of Ctrl when the key went down.
bool ComboEvents::ctrlHeld(int shift) const { return shift & Qt::ControlModifier; }

void ComboEvents::listEditKey(QWidget* sender, int& key, int shift, int deleteKey, int addKey)
{
    if (!blinking() || !ctrlHeld(shift) || key == VirtualKey::Ctrl)
        return;
    auto* list = qobject_cast<ComboBox*>(editedList_.data());
    if (!list)
        return;
    const bool known = list->textIsItem();
    int mode = 1;
    if (known && key == deleteKey)
        mode = records::ListEditMode::Delete;
    else if (!known && key == addKey)
        mode = records::ListEditMode::Add;
    else
        return;
    // The shortcut is the editor's: the combo box does not see it too.
    key = 0;
    lists_.ActionInfoRubrique(sender, mode);
}

void ComboEvents::CBoxKeyDown(QWidget* sender, int& key, int shift)
{
    if (key == VirtualKey::Delete && isTextList(hooks_.rowOf(sender))) {
        if (auto* combo = qobject_cast<ComboBox*>(sender)) {
            if (combo->isEditable())
                combo->clearEditText();
            else
                combo->setCurrentIndex(-1);
        }
        key = 0;
    }
    listEditKey(sender, key, shift, VirtualKey::D, VirtualKey::S);
    // Ctrl with the numeric plus or minus edits the list when the key comes
    // up: going down, it must not type a sign into the text.
    if (blinking() && ctrlHeld(shift) && (key == VirtualKey::NumPadMinus || key == VirtualKey::NumPadPlus))
        key = 0;
}

void ComboEvents::cBoxKeyUp(QWidget* sender, int& key, int shift)
{
    listEditKey(sender, key, shift, VirtualKey::NumPadMinus, VirtualKey::NumPadPlus);
}

void ComboEvents::CBoxEnter(QWidget* sender)
{
    auto* combo = qobject_cast<ComboBox*>(sender);
    if (!combo)
        return;
    if (!completion_)
        completion_ = new toolkit::WordCompletion(f_.form());
    // The words are those of the combo box entered; entering the same one
    // again keeps them as they were built.
    if (completionOwner_ != sender->objectName()) {
        completionOwner_ = sender->objectName();
        QStringList words;
        for (int i = 0; i < combo->count(); ++i)
            words << combo->itemText(i);
        completion_->setWords(words);
        completion_->attach(combo);
        completion_->setEnabled(true);
    }

    const TsDesc* d = hooks_.rowOf(sender);
    if (!s_.rights.RightSuperAdmin || !h_.keyboard || !h_.keyboard->ctrlHeld() || !isTextList(d) ||
        !d->isEditableList())
        return;
    editedList_ = sender;
    editedWasListOnly_ = combo->isListOnly();
    combo->setListOnly(false);  // the text to add is typed in
    if (completion_->attached() == combo)
        completion_->attach(combo);  // onto the line edit it now has
    if (h_.setBlinking)
        h_.setBlinking(true);
    if (auto* frame = f_.get<QFrame>(QStringLiteral("Shape1"))) {
        frame->setParent(sender->parentWidget());
        const QRect g = sender->geometry();
        frame->setGeometry(g.left() - 3, g.top(), g.width() + 6, g.height());
        frame->show();
        frame->raise();
    }
}

void ComboEvents::CBoxExit(QWidget*)
{
    if (!blinking())
        return;
    if (auto* frame = f_.get<QFrame>(QStringLiteral("Shape1")))
        frame->hide();
    if (h_.setBlinking)
        h_.setBlinking(false);
    // The list takes only its items again: a text typed and not added goes.
    if (auto* combo = qobject_cast<ComboBox*>(editedList_.data()); combo && editedWasListOnly_) {
        combo->setListOnly(true);
        if (completion_ && completion_->attached() == combo)
            completion_->attach(combo);
    }
    editedList_ = nullptr;
}

}  // namespace stanor::pages
