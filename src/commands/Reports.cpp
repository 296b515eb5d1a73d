#include "commands/Reports.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <sys/stat.h>
#include <unistd.h>

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

QString StorePrivateSheet(const QByteArray& pdf, const QString& reportName, const QString& selection, QString& why,
                          const QString& folder)
{
    const QString base = folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::TempLocation) : folder;
    const QString dir = base + QStringLiteral("/projstanor-fiches-%1").arg(::getuid());
    // The folder is this user's alone, whoever made it first: one that others
    // could read or that belongs to someone else is refused.
    ::mkdir(QFile::encodeName(dir).constData(), 0700);
    struct stat st {};
    if (::lstat(QFile::encodeName(dir).constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
        (st.st_mode & 077) != 0) {
        why = QStringLiteral("le dossier %1 n'est pas un dossier privé de l'utilisateur").arg(dir);
        return {};
    }
    const QDateTime dayAgo = QDateTime::currentDateTime().addDays(-1);
    for (const QFileInfo& old : QDir(dir).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files))
        if (old.lastModified() < dayAgo) QFile::remove(old.absoluteFilePath());
    QString name = reportName + QStringLiteral(" - ") + selection;
    for (QChar& c : name)
        if (c == u'/' || c == u'\\' || c.unicode() < 32) c = u'_';
    QTemporaryFile file(dir + u'/' + name + QStringLiteral(" - XXXXXX.pdf"));
    file.setAutoRemove(false);
    if (!file.open() || file.write(pdf) != pdf.size() || !file.flush()) {
        why = QStringLiteral("la fiche n'a pas pu être écrite dans %1").arg(dir);
        file.remove();
        return {};
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return file.fileName();
}

}  // namespace stanor::commands
