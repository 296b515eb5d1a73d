#include "records/ListEditing.h"

#include "records/RecordCommands.h"
#include "records/SqlLiterals.h"

namespace stanor::records {

namespace {

enum class ListTable { Rubrics, Models, Versions, Other };

ListTable tableOf(const QString& name) {
    const QString upper = name.toUpper();
    if (upper == QLatin1String("LISTRUBRICS")) return ListTable::Rubrics;
    if (upper == QLatin1String("LISTMODELS")) return ListTable::Models;
    if (upper == QLatin1String("LISTVERSIONS")) return ListTable::Versions;
    return ListTable::Other;
}

QString deleteStatement(ListTable table, const ListEditTexts& t) {
    switch (table) {
    case ListTable::Rubrics:
        return QStringLiteral("Delete * From ListRubrics where RubricType=") + SqlQuote(t.ListKey) +
               QStringLiteral(" and RubricText=") + SqlQuote(t.Text);
    case ListTable::Models:
        return QStringLiteral("Delete * From ListModels where VMarque=") + SqlQuote(t.Marque) +
               QStringLiteral(" and VModele=") + SqlQuote(t.Modele);
    case ListTable::Versions:
        return QStringLiteral("Delete * From ListVersions where VMarque=") + SqlQuote(t.Marque) +
               QStringLiteral(" and VModele=") + SqlQuote(t.Modele) + QStringLiteral(" and VVersion=") +
               SqlQuote(t.TypeVersion) + QStringLiteral(" and VConcession=") + SqlQuote(t.UserConcession);
    case ListTable::Other: break;
    }
    return {};
}

QString addStatement(ListTable table, const ListEditTexts& t) {
    switch (table) {
    case ListTable::Rubrics:
        return QStringLiteral("Insert into ListRubrics (RubricType, RubricIndex, RubricItem, RubricText) Values (") +
               SqlQuote(t.ListKey) + QStringLiteral(", 0, '..' ,") + SqlQuote(t.Text) + u')';
    case ListTable::Models:
        return QStringLiteral("Insert into ListModels (VMarque, VModele) Values (") + SqlQuote(t.Marque) +
               QStringLiteral(", ") + SqlQuote(t.Modele) + u')';
    case ListTable::Versions:
        return QStringLiteral("Insert into ListVersions (VMarque, VModele, VVersion, VConcession) Values (") +
               SqlQuote(t.Marque) + QStringLiteral(", ") + SqlQuote(t.Modele) + QStringLiteral(", ") +
               SqlQuote(t.TypeVersion) + QStringLiteral(", ") + SqlQuote(t.UserConcession) + u')';
    case ListTable::Other: break;
    }
    return {};
}

}  // namespace

QString ListEditFieldPrefix(const QString& listTable, const QString& controlName) {
    if (controlName.startsWith(QLatin1String("cVD"), Qt::CaseInsensitive)) return QStringLiteral("cVD");
    if (controlName.startsWith(QLatin1String("cVN"), Qt::CaseInsensitive)) return QStringLiteral("cVN");
    return tableOf(listTable) == ListTable::Versions ? QStringLiteral("cVN") : QStringLiteral("c");
}

QString ActionInfoRubrique(int mode, const ListEditTexts& texts) {
    const ListTable table = tableOf(texts.ListTable);
    if (mode == ListEditMode::Delete) return deleteStatement(table, texts);
    if (mode == ListEditMode::Add) return addStatement(table, texts);
    return {};
}

MessageText ListEditQuestion(int mode, const QString& text, const QString& listKey) {
    const QString phrase = QStringLiteral("la valeur '") + text + QStringLiteral("' pour le champ '") + listKey + u'\'';
    if (mode == ListEditMode::Delete)
        return {DeleteQuestionCaption(), QStringLiteral("Veuillez confirmer la suppression de ") + phrase};
    return {QStringLiteral("Confirmation d'Ajout "), QStringLiteral("Veuillez confirmer l'ajout de ") + phrase};
}

MessageText ListEditDone(int mode) {
    if (mode == ListEditMode::Delete) return {DeleteDoneCaption(), DeleteDoneText()};
    return {QStringLiteral("Fin d'Ajout"), QStringLiteral("Ajout terminé")};
}

}  // namespace stanor::records
