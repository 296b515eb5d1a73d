#pragma once
// Editing the free-text reference lists from their combo box: the rubric
// values (ListRubrics), the used-vehicle models (ListModels) and the
// new-vehicle version types (ListVersions). The statements delete or add
// the text shown; the questions and end messages go with them.

#include <QString>

namespace stanor::records {

// ActionInfoRubrique's modes.
namespace ListEditMode {
inline constexpr int Delete = -1;
inline constexpr int Add = 0;
}  // namespace ListEditMode

// The texts a list edit reads from the form.
struct ListEditTexts {
    QString Text;       // the combo box's text
    QString ListTable;  // "ListRubrics", "ListModels", "ListVersions" (any case)
    QString ListKey;    // the rubric type of ListRubrics
    // Mark and model of the models list, and mark, model and version type of
    // the versions list, read from the fields of ListEditFieldPrefix.
    QString Marque;
    QString Modele;
    QString TypeVersion;
    QString UserConcession;
};

// The prefix of the page controls whose mark, model and version type a
// list edit takes: the page of the edited combo box when it is the
// demonstrator's ("cVD...") or the new vehicle's ("cVN..."), otherwise the
// new-vehicle page for version types and the used-vehicle page ("c") for models.
QString ListEditFieldPrefix(const QString& listTable, const QString& controlName);

// The statement of a list edit; empty for another mode or another table.
// Every text goes in as a quoted literal.
QString ActionInfoRubrique(int mode, const ListEditTexts& texts);

// A message box's caption and text.
struct MessageText {
    QString Caption;
    QString Text;
};

// "Veuillez confirmer la suppression de la valeur 'Jaune' pour le champ 'InfoCouleur'"
// (caption "Confirmation de Suppression"), or the adding question
// (caption "Confirmation d'Ajout ").
MessageText ListEditQuestion(int mode, const QString& text, const QString& listKey);
// "Suppression terminée" / "Fin de Suppression", "Ajout terminé" / "Fin d'Ajout".
MessageText ListEditDone(int mode);

}  // namespace stanor::records
