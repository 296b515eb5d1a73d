#include "rules/Values.h"

#include <QRegularExpression>

#include <algorithm>

namespace stanor::rules {

namespace {

bool isSpace(QChar c) { return c.isSpace() || c == QChar(0x00A0) || c == QChar(0x202F); }

constexpr int kMaxWholeDigits = 13;

}  // namespace

bool isBlankDate(const QString& text)
{
    const QString t = text.trimmed();
    return t.isEmpty() || t == QLatin1String("__/__/____");
}

QDate readDate(const QString& text)
{
    static const QRegularExpression shape(QStringLiteral("^\\s*(\\d{1,2})/(\\d{1,2})/(\\d{4})\\s*$"));
    const QRegularExpressionMatch m = shape.match(text);
    if (!m.hasMatch())
        return {};
    return QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
}

QString showDate(const QDate& date)
{
    return date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy")) : QString();
}

std::optional<Cents> readAmount(const QString& text)
{
    QString t;
    t.reserve(text.size());
    for (QChar c : text)
        if (!isSpace(c))
            t += c;
    bool negative = false;
    if (t.startsWith(u'-') || t.startsWith(u'+')) {
        negative = t.front() == u'-';
        t.remove(0, 1);
    }
    // The decimal mark: the last "." or ",", unless that mark occurs more than
    // once and the other never does ("1.234.567" groups thousands).
    const qsizetype lastDot = t.lastIndexOf(u'.'), lastComma = t.lastIndexOf(u',');
    qsizetype mark = std::max(lastDot, lastComma);
    if (mark >= 0 && (lastDot < 0 || lastComma < 0) && t.count(t.at(mark)) > 1)
        mark = -1;
    QString whole, fraction;
    int groupDigits = -1;  // digits since the last thousands separator, -1 before the first
    const auto groupComplete = [&] { return groupDigits < 0 || groupDigits == 3; };
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        const bool isMark = c == u'.' || c == u',';
        if (c.isDigit() && c.unicode() < 128) {
            if (mark >= 0 && i > mark) {
                fraction += c;
            } else {
                whole += c;
                groupDigits += groupDigits >= 0 ? 1 : 0;
            }
        } else if (i == mark) {
            if (!groupComplete())
                return std::nullopt;
        } else if (isMark && (mark < 0 || (i < mark && c != t.at(mark))) && !whole.isEmpty() && groupComplete()) {
            groupDigits = 0;
        } else {
            return std::nullopt;
        }
    }
    if (mark < 0 && !groupComplete())
        return std::nullopt;
    if (whole.isEmpty() && fraction.isEmpty())
        return std::nullopt;
    whole.remove(QRegularExpression(QStringLiteral("^0+")));
    if (whole.size() > kMaxWholeDigits)
        return std::nullopt;
    Cents cents = whole.isEmpty() ? 0 : whole.toLongLong() * 100;
    cents += (fraction + QStringLiteral("00")).left(2).toLongLong();
    if (fraction.size() > 2 && fraction.at(2) >= u'5')
        cents += 1;
    return negative ? -cents : cents;
}

Cents amountOrZero(const QString& text) { return readAmount(text).value_or(0); }

QString showAmount(Cents cents)
{
    const Cents magnitude = cents < 0 ? -cents : cents;
    QString s = QString::number(magnitude / 100) + u'.' + QString::number(magnitude % 100).rightJustified(2, u'0');
    return cents < 0 ? u'-' + s : s;
}

QString showAmountOrEmpty(Cents cents) { return cents == 0 ? QString() : showAmount(cents); }

QString showMoney(Cents cents)
{
    const Cents magnitude = cents < 0 ? -cents : cents;
    QString units = QString::number(magnitude / 100);
    for (qsizetype at = units.size() - 3; at > 0; at -= 3)
        units.insert(at, QChar(0x202F));  // thousands apart by a narrow no-break space
    const QString s = units + u',' + QString::number(magnitude % 100).rightJustified(2, u'0') + QChar(0x00A0) +
                      QChar(0x20AC);
    return cents < 0 ? u'-' + s : s;
}

qint64 divideRounded(qint64 num, qint64 den)
{
    const qint64 q = num / den, r = num % den;
    if (2 * (r < 0 ? -r : r) >= den)
        return q + (num < 0 ? -1 : 1);
    return q;
}

}  // namespace stanor::rules
