#include "commands/Reports.h"

#include <QUrl>
#include <QUrlQuery>

namespace stanor::commands {

SheetChoice ChooseSheet(PrintCommand command, const ShownRecord& shown, bool ctrlHeld)
{
    if (command == PrintCommand::MarginSheet)
        return {false, kMarginSheet};
    if (shown.recordElement == QLatin1String("TVC"))
        return {true, kCustomerSheet};
    QString name = shown.kindCaption + kSalesSheetSuffix;
    if (ctrlHeld && shown.kindSuffix == QLatin1String("_TVD"))
        name += u'2';
    return {false, name};
}

QString SheetSelection(const SheetChoice& sheet, const QString& id)
{
    return (sheet.customer ? QStringLiteral("idClient=") : QStringLiteral("idVO=")) + id;
}

QString SheetFileName(const QString& url) {
    const QUrlQuery query(QUrl(url).query());
    QString name = (query.queryItemValue(QStringLiteral("rptName"), QUrl::FullyDecoded) + u' ' +
                    query.queryItemValue(QStringLiteral("rptSelect"), QUrl::FullyDecoded))
                       .simplified();
    static const QString kForbidden = QStringLiteral("\\/:*?\"<>|");
    for (QChar& c : name)
        if (kForbidden.contains(c) || c < u' ') c = u'_';
    return (name.isEmpty() ? QStringLiteral("fiche") : name) + QStringLiteral(".pdf");
}

QString BrowserProgram(const QString& commandLine)
{
    const qsizetype first = commandLine.indexOf(u'"');
    if (first < 0)
        return {};
    const qsizetype second = commandLine.indexOf(u'"', first + 1);
    if (second < 0)
        return {};
    return commandLine.mid(first + 1, second - first - 1);
}

BrowserChoice ChooseBrowser(platform::SettingsStore& store)
{
    using How = BrowserChoice::How;
    QString command;
    try {
        if (const auto v = store.value(kHtmlOpenCommandKey, QString())) {
            if (v->type != platform::ValueType::String && v->type != platform::ValueType::ExpandString)
                return {How::Nothing, {},
                        QStringLiteral("la commande d'ouverture des pages web (%1) n'est pas un texte")
                            .arg(kHtmlOpenCommandKey)};
            command = v->text;
        }
    } catch (const platform::SettingsError& e) {
        return {How::Nothing, {},
                QStringLiteral("la commande d'ouverture des pages web n'a pas pu être lue : ") +
                    QString::fromUtf8(e.what())};
    }
    if (command.trimmed().isEmpty())
        return {How::Desktop, {}, {}};
    const QString program = BrowserProgram(command).trimmed();
    if (program.isEmpty())
        return {How::Nothing, {},
                QStringLiteral("la commande d'ouverture des pages web (%1) ne nomme aucun programme entre "
                               "guillemets : « %2 »")
                    .arg(kHtmlOpenCommandKey, command)};
    return {How::Program, program, {}};
}

}  // namespace stanor::commands
