#include "photos/SortKeys.h"

#include <QRegularExpression>

#include <cmath>

namespace stanor::photos {

namespace {

template <class T>
int sign(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

std::optional<qlonglong> wholeNumber(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^ *[+-]?[0-9]+$"));
    if (!re.match(text).hasMatch()) return std::nullopt;
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    if (!ok) return std::nullopt;
    return v;
}

std::optional<double> decimalNumber(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^ *[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)? *$"));
    if (!re.match(text).hasMatch()) return std::nullopt;
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

}  // namespace

ColumnType columnTypeOf(int code) {
    return code >= 0 && code <= 5 ? static_cast<ColumnType>(code) : ColumnType::Text;
}

std::optional<QDate> parseShownDate(const QString& text, int thisYear) {
    static const QRegularExpression re(QStringLiteral("^ *([0-9]{1,2})/([0-9]{1,2})/([0-9]{1,4}) *$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch()) return std::nullopt;
    int year = m.captured(3).toInt();
    if (m.captured(3).size() <= 2) {
        // The century that puts the year within [thisYear - 50, thisYear + 49].
        const int from = thisYear - 50;
        year += from - from % 100;
        if (year < from) year += 100;
    }
    const QDate d(year, m.captured(2).toInt(), m.captured(1).toInt());
    if (!d.isValid()) return std::nullopt;
    return d;
}

std::optional<QTime> parseShownTime(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^ *([0-9]{1,2}):([0-9]{1,2})(?::([0-9]{1,2}))? *$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch()) return std::nullopt;
    const QTime t(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).isEmpty() ? 0 : m.captured(3).toInt());
    if (!t.isValid()) return std::nullopt;
    return t;
}

std::optional<QDateTime> parseShownDateTime(const QString& text, int thisYear) {
    const QString t = text.trimmed();
    const qsizetype blank = t.indexOf(u' ');
    const std::optional<QDate> d = parseShownDate(blank < 0 ? t : t.left(blank), thisYear);
    if (!d) return std::nullopt;
    if (blank < 0) return QDateTime(*d, QTime(0, 0), Qt::UTC);
    const std::optional<QTime> time = parseShownTime(t.mid(blank + 1));
    if (!time) return std::nullopt;
    return QDateTime(*d, *time, Qt::UTC);
}

int compareAs(ColumnType type, const QString& a, const QString& b, int thisYear) {
    const int asText = sign(QString::compare(a, b, Qt::CaseSensitive), 0);
    // Both converted: by their values; otherwise as texts.
    auto byValue = [&](auto convert) {
        const auto x = convert(a), y = convert(b);
        return x && y ? sign(*x, *y) : asText;
    };
    auto date = [thisYear](const QString& t) { return parseShownDate(t, thisYear); };
    auto dateTime = [thisYear](const QString& t) { return parseShownDateTime(t, thisYear); };
    switch (type) {
    case ColumnType::Text: return asText;
    case ColumnType::Integer: return byValue(wholeNumber);
    case ColumnType::Decimal: return byValue(decimalNumber);
    case ColumnType::Date: return byValue(date);
    case ColumnType::Time: return byValue(parseShownTime);
    case ColumnType::DateTime: return byValue(dateTime);
    }
    return asText;
}

}  // namespace stanor::photos
