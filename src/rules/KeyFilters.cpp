#include "rules/KeyFilters.h"

#include <QHash>

namespace stanor::rules {

namespace {

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }
bool isAsciiLower(QChar c) { return c >= u'a' && c <= u'z'; }
bool isAsciiUpper(QChar c) { return c >= u'A' && c <= u'Z'; }
bool isSign(QChar c) { return c == u'+' || c == u'-'; }

KeyDecision pass(QChar key) { return {key, false}; }
KeyDecision refuse() { return {QChar(), true}; }

}  // namespace

KeyDecision EditNumKeyPress(QChar key)
{
    if (key == kBackspace || key == u'\t' || key == u'\r' || isSign(key) || isAsciiDigit(key))
        return pass(key);
    return refuse();
}

KeyDecision EditRealKeyPress(const QString& text, QChar key, QChar decimalSeparator, qsizetype selectionStart,
                             qsizetype selectionLength)
{
    if (key.unicode() < 32 || isSign(key) || isAsciiDigit(key))
        return pass(key);
    if (key != decimalSeparator && key != u'.' && key != u',')
        return refuse();
    const QString kept = selectionLength > 0 ? QString(text).remove(selectionStart, selectionLength) : text;
    if (kept.contains(decimalSeparator))
        return refuse();
    return pass(decimalSeparator);
}

KeyFilter keyFilterOf(const QString& control)
{
    static const QHash<QString, KeyFilter> filters = {
        {QStringLiteral("aCliMobile"), KeyFilter::PhoneNumber},
        {QStringLiteral("aCliTelDom"), KeyFilter::PhoneNumber},
        {QStringLiteral("aCliTelBur"), KeyFilter::PhoneNumber},
        {QStringLiteral("vImmatriculation"), KeyFilter::Registration},
        {QStringLiteral("cImmatriculation"), KeyFilter::Registration},
        {QStringLiteral("cVDImmatriculation"), KeyFilter::Registration},
        {QStringLiteral("cVNImmatriculation"), KeyFilter::Registration},
        {QStringLiteral("aCliNom"), KeyFilter::UpperCase},
        {QStringLiteral("aCliPrenom"), KeyFilter::UpperCase},
        {QStringLiteral("aCliAdresse1"), KeyFilter::UpperCase},
        {QStringLiteral("aCliAdresse2"), KeyFilter::UpperCase},
        {QStringLiteral("aCliVille"), KeyFilter::UpperCase},
        {QStringLiteral("vInfoVersion"), KeyFilter::UpperCase},
        {QStringLiteral("vInfoTypeVersion"), KeyFilter::UpperCase},
    };
    return filters.value(control, KeyFilter::None);
}

QChar filterKey(KeyFilter filter, QChar key)
{
    switch (filter) {
    case KeyFilter::None:
        return key;
    case KeyFilter::PhoneNumber:
        return isAsciiDigit(key) || key == kBackspace ? key : QChar();
    case KeyFilter::Registration:
        if (isAsciiLower(key))
            return key.toUpper();
        return isAsciiUpper(key) || isAsciiDigit(key) || key == kBackspace ? key : QChar();
    case KeyFilter::UpperCase:
        return isAsciiLower(key) ? key.toUpper() : key;
    }
    return key;
}

QString filterText(KeyFilter filter, const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const QChar kept = filterKey(filter, c);
        if (!kept.isNull() && kept != kBackspace)
            out += kept;
    }
    return out;
}

}  // namespace stanor::rules
