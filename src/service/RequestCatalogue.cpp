#include "service/RequestCatalogue.h"

#include "platform/Paths.h"

#include <QUrl>

namespace stanor::service {

namespace {
const QString kOutputXml = QStringLiteral("?XMLC_OutputFormat=XML");

const QString& SaveFile(SaveTarget target)
{
    switch (target) {
    case SaveTarget::FrevoRows: return answer::kSaveFrevo;
    case SaveTarget::ActionRows: return answer::kSaveAction;
    case SaveTarget::Record: break;
    }
    return answer::kSaveRecord;
}
}  // namespace

QString RequestCatalogue::answerPath(const QString& name) const
{
    return platform::filePathIn(p_.traceDir, name);
}

QString RequestCatalogue::endpoint(const QString& name) const
{
    return p_.baseHRef + name + kOutputXml;
}

// The service decides what a request may read or write from the user it
// acts for: every request names it, before any statement.
QString RequestCatalogue::endpointForUser(const QString& name) const
{
    return endpoint(name) + QLatin1String("&UserID=") + p_.idUser;
}

ServiceRequest RequestCatalogue::statement(const QString& endpointName, const QString& sql,
                                           const QString& file) const
{
    return {endpointForUser(endpointName) + QLatin1String("&SQLExecute=") + sql, answerPath(file)};
}

ServiceRequest RequestCatalogue::infoEquip() const
{
    return {endpointForUser(QStringLiteral("AxInfoEquip")) + QLatin1String("&UserConcession=") +
                p_.userConcession,
            answerPath(answer::kEquip)};
}

ServiceRequest RequestCatalogue::infoStruct() const
{
    return {endpointForUser(QStringLiteral("AxInfoStruct")) + QLatin1String("&UserConcession=") +
                p_.userConcession,
            answerPath(answer::kStruct)};
}

ServiceRequest RequestCatalogue::infoVO() const
{
    return {endpoint(QStringLiteral("AxInfoVO")) + QLatin1String("&idTVO=") + p_.idTVO +
                QLatin1String("&UserID=") + p_.idUser,
            answerPath(answer::kVO)};
}

ServiceRequest RequestCatalogue::infoCL() const
{
    return {endpoint(QStringLiteral("AxInfoCL")) + QLatin1String("&UserID=") + p_.idUser,
            answerPath(answer::kCL)};
}

ServiceRequest RequestCatalogue::history(const QString& table, const QString& key) const
{
    return {endpoint(QStringLiteral("AxHistory")) + QLatin1String("&Table=") + table + QLatin1String("&Key=") + key,
            answerPath(answer::kHistory)};
}

ServiceRequest RequestCatalogue::search(const QString& select) const
{
    // One row more than the panel shows tells it that more records match.
    return {endpointForUser(QStringLiteral("AxQuery")) + QLatin1String("&SQL=") + select +
                QLatin1String("&MaxRows=51"),
            answerPath(answer::kSearch)};
}

ServiceRequest RequestCatalogue::duplicateCount(const QString& select) const
{
    return {endpointForUser(QStringLiteral("AxQuery")) + QLatin1String("&SQL=") + select,
            answerPath(answer::kDuplicate)};
}

ServiceRequest RequestCatalogue::duplicateRecords(const QString& select) const
{
    return {endpoint(QStringLiteral("AxQuery")) + QLatin1String("&SQL=") + select + QLatin1String("&MaxRows=20"),
            answerPath(answer::kDuplicateRecords)};
}

ServiceRequest RequestCatalogue::reminders(const QString& idCom, const QString& site) const
{
    QString url = endpoint(QStringLiteral("AxRelances")) + QLatin1String("&UserID=") + p_.idUser;
    if (!idCom.isEmpty())
        url += QLatin1String("&idCom=") + QString::fromLatin1(QUrl::toPercentEncoding(idCom));
    if (!site.isEmpty())
        url += QLatin1String("&Site=") + QString::fromLatin1(QUrl::toPercentEncoding(site));
    return {url, answerPath(answer::kReminders)};
}

ServiceRequest RequestCatalogue::save(const QString& sql, SaveTarget target) const
{
    return statement(QStringLiteral("AxUpdate"), sql, SaveFile(target));
}

ServiceRequest RequestCatalogue::insert(const QString& sql, SaveTarget target) const
{
    return statement(QStringLiteral("AxInsert"), sql, SaveFile(target));
}

ServiceRequest RequestCatalogue::remove(const QString& sql) const
{
    return statement(QStringLiteral("AxUpdate"), sql, answer::kDelete);
}

ServiceRequest RequestCatalogue::listInsert(const QString& sql) const
{
    return statement(QStringLiteral("AxUpdate"), sql, answer::kInsert);
}

ServiceRequest RequestCatalogue::photoLinkUpdate(const QString& sql) const
{
    return statement(QStringLiteral("AxUpdate"), sql, answer::kUpdate);
}

ServiceRequest RequestCatalogue::photoUpload() const
{
    return {p_.baseHRef + QLatin1String("AxInsert?UserID=") + p_.idUser, answerPath(answer::kInsert)};
}

QString RequestCatalogue::photo(const QString& imagesUrl, const QString& file) const
{
    return imagesUrl + file + QLatin1String("?UserID=") + p_.idUser;
}

QString RequestCatalogue::reportUrl(const QString& selection, const QString& reportName) const
{
    return p_.baseHRef + QLatin1String("ReportPDF?UserID=") + p_.idUser + QLatin1String("&rptSelect=") + selection +
           QLatin1String("&rptName=") + reportName;
}

}  // namespace stanor::service
