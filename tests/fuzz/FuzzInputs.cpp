#include "FuzzInputs.h"

#include "pages/TabModel.h"

#include <QDate>
#include <QStringList>
#include <cmath>

namespace fuzz {
namespace {

using stanor::pages::DataType::Date;
using stanor::pages::DataType::Decimal;
using stanor::pages::DataType::Integer;

size_t pick(std::mt19937_64& rng, size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); }

template <size_t N>
QString oneOf(std::mt19937_64& rng, const char* const (&texts)[N])
{
    return QString::fromUtf8(texts[pick(rng, N)]);
}

QString word(std::mt19937_64& rng)
{
    static const char* const words[] = {"Reprise", "garage", "Dupont", "VÉHICULE", "entretien", "pneus", "clé",
                                        "noël", "ÉTÉ", "ça", "jantes", "cœur", "à", "révision"};
    return QString::fromUtf8(words[pick(rng, std::size(words))]);
}

// A day as typed into a date field ("ddmmyyyy"), between 2020 and 2028.
QString dateKeys(std::mt19937_64& rng)
{
    const QDate d = QDate(2020, 1, 1).addDays(qint64(pick(rng, 9 * 365)));
    return d.toString(QStringLiteral("ddMMyyyy"));
}

// The shown number as an amount, or nothing when it is none.
bool amount(QString text, double& value)
{
    text.remove(u' ').remove(QChar(0x00A0)).remove(QChar(0x202F));
    if (text.isEmpty()) {
        value = 0;
        return true;
    }
    if (text.contains(u',') && text.contains(u'.')) text.remove(u'.');
    text.replace(u',', u'.');
    bool ok = false;
    value = text.toDouble(&ok);
    return ok;
}

}  // namespace

QString Input(int dataType, std::mt19937_64& rng)
{
    if (dataType == Date) {
        static const char* const odd[] = {"31022024", "1503", "", "29022028", "00000000", "99999999", "01012021",
                                          "3112", "15/03/2026", "1a02b026", "010120300"};
        return pick(rng, 2) ? dateKeys(rng) : oneOf(rng, odd);
    }
    if (dataType == Integer) {
        static const char* const odd[] = {"0", "-5", "99999999999", "12a", "1 500", "", "00042", "3,5", "+7", "1e3",
                                          "2147483648", "–4"};
        return pick(rng, 2) ? QString::number(pick(rng, 200000)) : oneOf(rng, odd);
    }
    if (dataType == Decimal) {
        static const char* const odd[] = {"1500,5", "1 500,00", "1.500,00", "1500.50", "-20", "abc", "1e5", "",
                                          "0,001", "99999999999,99", "1-50", "1,5,0", "12 €", ",5", "5,"};
        return pick(rng, 2) ? QString::number(pick(rng, 40000)) + (pick(rng, 2) ? QStringLiteral(",%1").arg(pick(rng, 100), 2, 10, QChar(u'0')) : QString())
                            : oneOf(rng, odd);
    }
    static const char* const odd[] = {
        "Reprise 15 000 €", "CŒUR", "l’été…", "“Cité” – Œuvre", "Kraków ā", "emoji 😀", "O'Neil", "a\"b",
        "1,PrixVente=0", "x' OR '1'='1", "  espaces  ", "", "Ünïcödé ß", "tab\there", "<b>&amp;</b>", "]]>",
        "0612345678", "06 12 34 56 78", "%_*?", "\\\\serveur",
    };
    switch (pick(rng, 4)) {
    case 0: return oneOf(rng, odd);
    case 1: return QString(int(60 + pick(rng, 300)), QChar(u'A' + int(pick(rng, 26))));
    default: {
        QStringList words;
        for (size_t n = 1 + pick(rng, 4); n > 0; --n) words << word(rng);
        return words.join(u' ');
    }
    }
}

QString ValidInput(int dataType, std::mt19937_64& rng)
{
    if (dataType == Date) return QStringLiteral("09122026");
    if (dataType == Integer || dataType == Decimal) return QString::number(1 + pick(rng, 9000));
    return word(rng).toUpper();
}

QString printable(const QString& text)
{
    QString out;
    for (QChar c : text)
        out += c.unicode() < 0x20 ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QChar(u'0')) : QString(c);
    return out.size() > 70 ? out.left(30) + QStringLiteral("…(%1)").arg(out.size()) : out;
}

bool same(int dataType, const QString& shown, const QString& stored, bool list)
{
    if (dataType == Date) {
        const auto blank = [](const QString& d) { return d == QLatin1String("__/__/____") ? QString() : d; };
        return blank(shown) == blank(stored);
    }
    if (dataType == Integer || dataType == Decimal) {
        double a = 0, b = 0;
        if (!amount(shown, a) || !amount(stored, b)) return shown == stored;
        return std::fabs(a - b) < 0.005;
    }
    // Blanks around a text are not kept; a list of codes shows each code
    // with its text: "ES : Essence".
    return shown.trimmed() == stored.trimmed() || (list && !stored.isEmpty() && shown.startsWith(stored + QStringLiteral(" : ")));
}

}  // namespace fuzz
