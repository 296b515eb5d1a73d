#include "pages/ListEditor.h"

#include "pages/FieldHooks.h"
#include "platform/Dialogs.h"
#include "records/ListEditing.h"
#include "toolkit/FieldControl.h"

namespace stanor::pages {

using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;
using records::ListEditMode::Add;
using records::ListEditMode::Delete;

void ListEditor::trace(const QString& text) const
{
    if (v_.trace)
        v_.trace(text);
}

bool ListEditor::requestFailed() const { return h_.requestError && !h_.requestError().isEmpty(); }

void ListEditor::ActionInfoRubrique(QWidget* control, int mode)
{
    if (mode != Delete && mode != Add)
        return;
    if (h_.saveUnderWay && h_.saveUnderWay()) {
        trace(QStringLiteral("ActionInfoRubrique ignoré : un enregistrement est en cours"));
        return;
    }
    const TsDesc* d = hooks_.rowOf(control);
    const toolkit::FieldControl* fc = toolkit::asFieldControl(control);
    if (!d || !fc)
        return;
    records::ListEditTexts texts;
    texts.Text = fc->text();
    texts.ListTable = d->ListTable;
    texts.ListKey = d->ListKey;

    const records::MessageText question = records::ListEditQuestion(mode, texts.Text, texts.ListKey);
    if (!h_.dialogs ||
        h_.dialogs->messageBox(question.Caption, question.Text, MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
        return;

    // Mark, model and version type of the page the list belongs to.
    const QString prefix = records::ListEditFieldPrefix(texts.ListTable, control->objectName());
    texts.Marque = f_.text(prefix + QStringLiteral("InfoMarque"));
    texts.Modele = f_.text(prefix + QStringLiteral("InfoModele"));
    texts.TypeVersion = f_.text(prefix + QStringLiteral("InfoTypeVersion"));
    texts.UserConcession = v_.userConcession ? v_.userConcession() : QString();

    const QString statement = records::ActionInfoRubrique(mode, texts);
    trace(QStringLiteral("SQL : ") + statement);
    if (statement.isEmpty() || !h_.requests || !v_.httpExecute)
        return;

    // The record is loaded again afterwards: what the user typed is stored
    // first, and nothing changes in the list when it cannot be.
    if (h_.saveBeforeReload && !h_.saveBeforeReload()) {
        trace(QStringLiteral("ActionInfoRubrique annulé : les modifications en attente n'ont pas pu être enregistrées"));
        return;
    }
    f_.setCaption(QStringLiteral("LbDebugInfo2"), statement);
    const service::RequestCatalogue requests = h_.requests();
    const service::ServiceRequest change =
        mode == Delete ? requests.remove(statement) : requests.listInsert(statement);
    v_.httpExecute(change.url, change.answerFile);
    if (requestFailed())
        return;
    const service::ServiceRequest lists = requests.infoEquip();
    v_.httpExecute(lists.url, lists.answerFile);
    if (requestFailed())
        return;
    f_.setCaption(QStringLiteral("LbDebugInfo2"), QString());
    const records::MessageText done = records::ListEditDone(mode);
    h_.dialogs->messageBox(done.Caption, done.Text, MsgIcon::Warning, MsgButtons::Ok);
    if (h_.updateView)
        h_.updateView(true);
}

}  // namespace stanor::pages
