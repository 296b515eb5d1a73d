#include "records/SqlLiterals.h"

#include "pages/TabModel.h"
#include "service/TextTools.h"

#include <QRegularExpression>

namespace stanor::records {

namespace {

// The trimming of the desktop runtime: every character up to the blank.
QString trimControls(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin].unicode() <= u' ') ++begin;
    while (end > begin && text[end - 1].unicode() <= u' ') --end;
    return text.mid(begin, end - begin);
}

QString withoutBlanks(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (!c.isSpace()) out += c;
    return out;
}

// A text the service stores: refused when the system's code page cannot hold
// one of its characters (the request would carry a "?" in its place).
SqlLiteral quotedText(const QString& text) {
    if (const QString c = service::FirstBeyondAnsi(text); !c.isEmpty())
        return {{}, QStringLiteral("contient le caractère %1 que le service ne peut pas enregistrer")
                        .arg(service::CharacterName(c))};
    return {SqlQuote(text), {}};
}

}  // namespace

QString EscapeQueryText(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'%': out += QLatin1String("%25"); break;
        case u'"': out += QLatin1String("%22"); break;
        case u'&': out += QLatin1String("%26"); break;
        case u'<': out += QLatin1String("%3C"); break;
        case u'>': out += QLatin1String("%3E"); break;
        case u'+': out += QLatin1String("%2B"); break;
        case u'?': out += QLatin1String("%3F"); break;
        default: out += c;
        }
    }
    return out;
}

QString DoubleQuotes(const QString& text) {
    QString out = text;
    out.replace(u'\'', QLatin1String("''"));
    return out;
}

QString SqlQuote(const QString& text) {
    QString body = DoubleQuotes(EscapeQueryText(trimControls(text)));
    body.replace(QLatin1String("\r\n"), QLatin1String("%0D%0A"));
    body.replace(u'\r', QLatin1String("%0D"));
    body.replace(u'\n', QLatin1String("%0A"));
    return u'\'' + body + u'\'';
}

QString SqlDate(const QString& text) {
    const QDate d = pages::parseDate(text);
    if (!d.isValid() || d == QDate(1899, 12, 30)) return QStringLiteral("NULL");
    return u'#' + d.toString(QStringLiteral("MM/dd/yyyy")) + u'#';
}

QString SqlNumber(const QString& text) {
    QString out = withoutBlanks(text);
    out.replace(u',', u'.');
    return out;
}

bool IsSqlInteger(const QString& text) {
    static const QRegularExpression shape(QStringLiteral("^[+-]?[0-9]+$"));
    return shape.match(text).hasMatch();
}

bool IsSqlDecimal(const QString& text) {
    static const QRegularExpression shape(QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)$"));
    return shape.match(text).hasMatch();
}

SqlLiteral SqlValue(int dataType, const QString& text) {
    const QString null = QStringLiteral("NULL");
    if (text.isEmpty()) return {null, {}};
    switch (dataType) {
    case SqlType::Date:
        if (text == QLatin1String("__/__/____")) return {null, {}};
        // A date that cannot be read is not written as no date at all.
        if (!pages::parseDate(text).isValid())
            return {{}, QStringLiteral("« %1 » n'est pas une date valide (jj/mm/aaaa)").arg(text)};
        return {SqlDate(text), {}};
    case SqlType::Text:
        return quotedText(text);
    case SqlType::Decimal: {
        const QString n = SqlNumber(text);
        if (n.isEmpty()) return {null, {}};
        if (!IsSqlDecimal(n)) return {{}, QStringLiteral("« %1 » n'est pas un nombre").arg(text)};
        return {n, {}};
    }
    case SqlType::Integer: {
        const QString n = withoutBlanks(text);
        if (n.isEmpty()) return {null, {}};
        if (!IsSqlInteger(n)) return {{}, QStringLiteral("« %1 » n'est pas un nombre entier").arg(text)};
        return {n, {}};
    }
    case SqlType::Boolean: {
        const QString t = text.trimmed();
        if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return {QStringLiteral("True"), {}};
        if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return {QStringLiteral("False"), {}};
        if (IsSqlInteger(t)) return {t, {}};
        return {{}, QStringLiteral("« %1 » n'est ni vrai ni faux").arg(text)};
    }
    default: {
        // Any other type: a plain number as it stands, anything else as a
        // quoted text, so that what was typed can never reach another column.
        const QString t = text.trimmed();
        if (IsSqlDecimal(t)) return {t, {}};
        return quotedText(text);
    }
    }
}

QString SqlTableName(const QString& table) {
    if (table.startsWith(u'[') || !table.contains(u' ')) return table;
    return u'[' + table + u']';
}

bool IsIdentifier(const QString& text) {
    if (text.isEmpty()) return false;
    for (QChar c : text)
        if (c < u'0' || c > u'9') return false;
    return true;
}

}  // namespace stanor::records
