#include "pages/RecordViewRules.h"

#include "service/HttpRules.h"

#include <cmath>

namespace stanor::pages {

AnswerFiles chooseAnswerFiles(const QString& customerCaption)
{
    AnswerFiles files;
    const bool storedCustomer = !customerCaption.isEmpty() && customerCaption != QLatin1String("-1");
    files.vehicle = !storedCustomer;
    // A customer being created reads its answer too: it holds no customer,
    // but the user's section and groups, without which every field of the
    // new customer would be read-only when no vehicle answer is at hand.
    files.customer = true;
    return files;
}

RecordKind decideRecordKind(const QString& typeVO, const QString& statutVD, int idTypeVO,
                            const QString& vehicleCaption, const QString& customerCaption)
{
    RecordKind kind;
    kind.typeVO = typeVO;
    kind.recordElement = QStringLiteral("tVO");
    if (kind.typeVO.isEmpty() && idTypeVO == 1)
        kind.typeVO = QStringLiteral("1");
    if (kind.typeVO != QLatin1String("1"))
        kind.kindSuffix = (!statutVD.isEmpty() && idTypeVO == 3) ? kKindVD : kKindVN;
    else
        kind.kindSuffix = kKindVO;
    // A record not yet stored has no TypeVO: the form keeps what follows the
    // first character of the vehicle caption, as it always has.
    if (kind.typeVO.isEmpty())
        kind.typeVO = vehicleCaption.mid(1, 10);
    if (!customerCaption.isEmpty()) {
        kind.kindSuffix = kKindCL;
        kind.recordElement = QStringLiteral("TVC");
    }
    return kind;
}

QString kindCaption(const QString& kindSuffix) { return kindSuffix.mid(2, 2); }

HeaderColours headerColours(const QString& kindSuffix)
{
    HeaderColours c;
    c.disabledBack = kindSuffix == kKindVD ? 7756236 : 15745088;
    c.disabledText = kindSuffix == kKindCL ? -1 : 0;
    return c;
}

bool printEnabled(const QString& caption, const QString& idVO)
{
    return (caption != QLatin1String("VN") && !idVO.isEmpty()) || caption == QLatin1String("CL");
}

namespace {
// The parts that hold something, joined by " - ".
QString joinParts(const QStringList& parts)
{
    QStringList kept;
    for (const QString& p : parts)
        if (!p.trimmed().isEmpty())
            kept << p.trimmed();
    return kept.join(QStringLiteral(" - "));
}
} // namespace

QString headerTitle(const QString& mark, const QString& version)
{
    return joinParts({mark.toUpper(), version});
}

QString headerPowerMileage(const QString& cv, const QString& kms)
{
    return joinParts({cv.trimmed().isEmpty() ? QString() : cv.trimmed() + QStringLiteral(" cv"),
                      kms.trimmed().isEmpty() ? QString() : kms.trimmed() + QStringLiteral(" kms")});
}

namespace {
QDate shortDate(const QString& text) { return QDate::fromString(text.trimmed(), QStringLiteral("dd/MM/yyyy")); }
} // namespace

int daysInStock(const QString& ordre, const QString& entree, const QDate& serverNow)
{
    // A date picker with no date shows its empty mask: that is no text.
    const QString mask = QStringLiteral("__/__/____");
    const QString dateOrdre = ordre == mask ? QString() : ordre;
    const QString dateEntree = entree == mask ? QString() : entree;
    double days = 0;
    if (!dateOrdre.isEmpty() && !dateEntree.isEmpty()) {
        const QDate to = shortDate(dateOrdre), from = shortDate(dateEntree);
        if (!to.isValid() || !from.isValid())
            return 0;
        days = double(from.daysTo(to));
    } else if (!dateEntree.isEmpty()) {
        const QDate from = shortDate(dateEntree);
        if (!from.isValid() || !serverNow.isValid())
            return 0;
        days = double(from.daysTo(serverNow));
    }
    if (days < 0)
        return 0;
    return int(std::nearbyint(days));
}

int emailFontSize(int length)
{
    if (length <= 13)
        return 12;
    if (length <= 19)
        return 10;
    if (length <= 25)
        return 9;
    if (length <= 31)
        return 8;
    return 7;
}

QString identityLine(const QString& civility, const QString& surname, const QString& firstName)
{
    QString line = civility;
    if (!line.isEmpty())
        line += QLatin1Char(' ');
    line += surname.toUpper();
    if (!line.isEmpty())
        line += QLatin1Char(' ');
    line += firstName.left(1).toUpper() + firstName.mid(1).toLower();
    return line;
}

QString adaptHint(const QString& hint, bool customer)
{
    const QString word = customer ? QStringLiteral("véhicule") : QStringLiteral("client");
    const QString replacement = customer ? QStringLiteral("client") : QStringLiteral("véhicule");
    if (!hint.contains(word, Qt::CaseSensitive))
        return hint;
    QString adapted = hint;
    adapted.replace(word, replacement, Qt::CaseInsensitive);
    return adapted;
}

CommandVisibility commandVisibility(const QString& kindSuffix, bool rightSuperAdmin, bool rightCompta,
                                    bool testUser, bool rightProfid)
{
    CommandVisibility v;
    v.newRecord = kindSuffix != kKindVD;
    v.remove = rightSuperAdmin || (kindSuffix == kKindCL && rightProfid);
    v.sweep = rightSuperAdmin && kindSuffix == kKindVN;
    v.accounting = rightCompta;
    v.textMessage = testUser;
    v.options = kindSuffix == kKindVD || kindSuffix == kKindVN;
    return v;
}

bool isTestUser(const QString& idUser, const QString& userName)
{
    if (idUser.trimmed() == kTestUserId)
        return true;
    return userName.contains(kTestUserSurname, Qt::CaseInsensitive);
}

int captionId(const QString& caption)
{
    bool ok = false;
    const int n = caption.trimmed().toInt(&ok);
    return ok ? n : 0;
}

QString recordLoadFailure(const QString& requestError)
{
    const QString& failed = service::kRequestFailed;
    QString reason, technical;
    if (requestError.startsWith(failed)) {
        const QString text = requestError.mid(failed.size());
        const qsizetype br = text.indexOf(QLatin1Char('\n'));
        reason = (br < 0 ? text : text.left(br)).trimmed();
        technical = br < 0 ? QString() : text.mid(br + 1).trimmed();
    } else {
        // The items of the answer, each followed by " - ".
        QString items = requestError.trimmed();
        if (items.endsWith(QLatin1String(" -")))
            items.chop(2);
        reason = QStringLiteral("Le service de données a refusé la demande (%1)").arg(items.trimmed());
    }
    if (reason.isEmpty())
        reason = QStringLiteral("La requête au service de données a échoué");
    reason[0] = reason[0].toUpper();
    QString message = reason + QStringLiteral(" : la fiche demandée n'a pas pu être chargée");
    if (!technical.isEmpty())
        message += QLatin1Char('\n') + technical;
    return message;
}

} // namespace stanor::pages
