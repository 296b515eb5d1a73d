#include "pages/TabModel.h"

#include "service/TextTools.h"

#include <QRegularExpression>

#include <cmath>

namespace stanor::pages {

const QStringList kDescRowElements = {
    QStringLiteral("descInfo"), QStringLiteral("idNum"),   QStringLiteral("txtInfo"),
    QStringLiteral("vInfo"),    QStringLiteral("tag"),     QStringLiteral("defval"),
    QStringLiteral("tInfo"),    QStringLiteral("tControl"), QStringLiteral("width"),
    QStringLiteral("left"),     QStringLiteral("top"),     QStringLiteral("height"),
    QStringLiteral("length"),   QStringLiteral("color"),   QStringLiteral("notNull"),
    QStringLiteral("enabled"),  QStringLiteral("fieldInfo"),
};

namespace {

// Position and size elements default to 20 twips, every other number to 0.
int numericDefault(const QString& name) {
    static const QStringList geometry = {QStringLiteral("width"), QStringLiteral("left"),
                                         QStringLiteral("top"), QStringLiteral("height")};
    return geometry.contains(name) ? 20 : 0;
}

void say(const TraceFn& trace, const QString& line) {
    if (trace) trace(line);
}

}  // namespace

int DescRow::number(const QString& name, const TraceFn& trace) const {
    const int fallback = numericDefault(name);
    auto it = elements.constFind(name);
    if (it == elements.cend()) {
        say(trace, QStringLiteral("description : élément absent %1, valeur %2").arg(name).arg(fallback));
        return fallback;
    }
    bool ok = false;
    const int v = it->trimmed().toInt(&ok, 10);
    if (!ok) {
        say(trace, QStringLiteral("description : %1 non numérique \"%2\", valeur %3")
                       .arg(name, *it)
                       .arg(fallback));
        return fallback;
    }
    return v;
}

QStringList DescRow::missing() const {
    QStringList out;
    for (const QString& n : kDescRowElements)
        if (!has(n)) out << n;
    return out;
}

DescRow readDescRow(const std::function<bool(const QString& name, QString& value)>& lookup) {
    DescRow row;
    for (const QString& n : kDescRowElements) {
        QString v;
        if (lookup(n, v)) row.set(n, v);
    }
    return row;
}

int twipsToPixels(int twips) {
    // nearbyint rounds halves to even under the default rounding mode.
    return static_cast<int>(std::nearbyint(static_cast<double>(twips) / 15.0));
}

QString decodeEntities(const QString& text, bool withCr) {
    return service::DecodeXmlText(text, withCr ? service::CrDecoding::Decode : service::CrDecoding::Keep);
}

int controlTag(int page, int index) { return (page - 1) * 10000 + index; }

// Floor division so that page 0 (negative tags) decodes back to page 0.
int tagPage(int tag) {
    int q = tag / 10000;
    if (tag % 10000 < 0) --q;
    return q + 1;
}

int tagIndex(int tag) {
    int r = tag % 10000;
    if (r < 0) r += 10000;
    return r;
}

bool visibleFor(int enabledCode, bool rights) {
    if (enabledCode == Visibility::Hidden) return false;
    if (!rights && enabledCode == Visibility::WithRights) return false;
    return true;
}

FieldHost fieldHost(int page, int idNum) {
    if (idNum >= kPanelComptaIdNum) return FieldHost::PanelCompta;
    if (page <= 0) return FieldHost::None;
    return FieldHost::Sheet;
}

PageRow readPageRow(const DescRow& row) {
    PageRow p;
    p.KindSuffix = row.text(QStringLiteral("descInfo"));
    p.IdNum = row.text(QStringLiteral("idNum"));
    p.Caption = decodeEntities(row.text(QStringLiteral("txtInfo")), false);
    p.PageKey = row.text(QStringLiteral("vInfo"));
    p.PageTag = row.text(QStringLiteral("tag"));
    p.NamePrefix = row.text(QStringLiteral("defval"));
    return p;
}

bool isPageRowFor(const PageRow& row, const QString& kindSuffix, int page) {
    // The number is compared as text: "03" is not page 3.
    return row.KindSuffix == kindSuffix && row.IdNum == QString::number(page);
}

void describePage(TsPage& page, const PageRow& row) {
    page.PageKey = row.PageKey;
    page.PageTag = row.PageTag;
    page.NamePrefix = row.NamePrefix;
    page.Described = true;
}

void applyFieldInfo(TsDesc& d, const QString& fieldInfo) {
    d.ListKey = d.FieldName;
    d.ListName = fieldInfo;
    if (d.ListName.isEmpty()) d.ListName = d.ListKey;
    d.ListTable = d.ListName;
    const int semi = d.ListName.indexOf(u';');
    if (semi >= 0) {
        d.ListKey = d.ListName.mid(semi + 1, 200);
        d.ListName = d.ListName.left(semi);
        d.ListTable = d.ListName;
    } else if (d.ListName.left(4).compare(QStringLiteral("LIST"), Qt::CaseInsensitive) == 0) {
        d.ListName = d.FieldName;
    }
}

QString rightsTagsOf(const QString& tag) { return u';' + tag.toUpper() + u';'; }

TsDesc& fieldAt(TsPage& page, int index) {
    if (index < 0) index = 0;
    if (page.Fields.size() < static_cast<size_t>(index) + 1) page.Fields.resize(index + 1);
    return page.Fields[index];
}

void readFieldRow(TsDesc& d, const DescRow& row, bool rights, const TraceFn& trace) {
    const QStringList missing = row.missing();
    if (!missing.isEmpty())
        say(trace, QStringLiteral("description : ligne %1 sans %2")
                       .arg(row.text(QStringLiteral("vInfo")), missing.join(u',')));

    const QString vInfo = row.text(QStringLiteral("vInfo"));
    const int semi = vInfo.indexOf(u';');
    if (semi >= 0) {
        d.ValueElement = vInfo.mid(semi + 1, 200);
        d.FieldName = vInfo.left(semi);
    } else {
        d.ValueElement.clear();
        d.FieldName = vInfo;
    }

    d.Width = twipsToPixels(row.number(QStringLiteral("width"), trace));
    d.Left = twipsToPixels(row.number(QStringLiteral("left"), trace));
    d.Top = twipsToPixels(row.number(QStringLiteral("top"), trace)) - 35;
    d.Height = std::max(18, twipsToPixels(row.number(QStringLiteral("height"), trace)));
    d.Length = row.number(QStringLiteral("length"), trace);
    d.DataType = row.number(QStringLiteral("tInfo"), trace);
    d.ControlType = row.number(QStringLiteral("tControl"), trace);
    d.FontColor = row.number(QStringLiteral("color"), trace);
    d.IdNum = row.number(QStringLiteral("idNum"), trace);
    d.Enabled = row.number(QStringLiteral("enabled"), trace);

    d.Caption = decodeEntities(row.text(QStringLiteral("txtInfo")), false);
    d.RightsTags = rightsTagsOf(row.text(QStringLiteral("tag")));
    d.NotNull = row.text(QStringLiteral("notNull")).toUpper() == QStringLiteral("TRUE");
    d.Rights = rights;
    d.Visible = visibleFor(d.Enabled, rights);

    applyFieldInfo(d, row.text(QStringLiteral("fieldInfo")));
    d.DefaultValue = row.text(QStringLiteral("defval"));
    d.Control = nullptr;
}

QString formatDecimal(const QString& text) {
    bool ok = false;
    double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v)) v = 0.0;
    QString s = QString::number(v, 'f', 2);
    if (s == QStringLiteral("-0.00")) s = QStringLiteral("0.00");
    return s;
}

QString deriveValue(const TsDesc& d, const ValueSource& source) {
    QString v = source.useDefault ? d.DefaultValue : source.elementText;
    if (d.ControlType == ControlType::Edit && d.DataType == DataType::Text) v = decodeEntities(v, true);
    if (d.DataType == DataType::Date && v == QStringLiteral("now")) v = formatDate(source.today);
    if (d.DataType == DataType::Integer || d.DataType == DataType::Decimal) v.remove(u' ');
    if (d.DataType == DataType::Decimal) v = formatDecimal(v);
    return v;
}

void loadValue(TsDesc& d, const ValueSource& source) {
    const QString v = deriveValue(d, source);
    d.LoadedValue = source.useDefault ? QString() : v;
    d.CurrentValue = v;
}

bool takesDefaults(int page, bool flagNewEnreg, bool newVehicle) {
    return flagNewEnreg || (newVehicle && page == kVehiclePage);
}

QString UserRights::groupName(const QString& gname) {
    QString n = gname.toUpper();
    n.remove(QStringLiteral("USER_"));
    return n;
}

bool UserRights::siteAllowed(const QString& userSite, const QString& recordSite, bool newRecord) {
    if (newRecord || userSite == QStringLiteral("#")) return true;
    const QString site = recordSite.toUpper();
    return !site.isEmpty() && userSite.toUpper().contains(site);
}

void UserRights::setGroups(const QStringList& gnames) {
    groups_.clear();
    for (const QString& g : gnames) groups_ << groupName(g);
}

bool UserRights::GetDataRights(const QString& tags) const {
    if (!SiteAllowed) return false;
    for (const QString& name : groups_) {
        const QString key = u';' + name + u';';
        if (!tags.contains(key)) continue;
        if (key == QStringLiteral(";PROFID;") && !FlagNewEnreg) return RightProfid;
        return true;
    }
    return false;
}

void UserRights::computeFlags(const QString& userSite, const QString& recordSite, bool flagNewEnreg) {
    FlagNewEnreg = flagNewEnreg;
    SiteAllowed = siteAllowed(userSite, recordSite, flagNewEnreg);
    RightCompta = GetDataRights(QStringLiteral(";COMPTA;"));
    RightProfid = true;
    RightProfid = GetDataRights(QStringLiteral(";PROFID;"));
    RightSuperAdmin = GetDataRights(QStringLiteral(";SUPERADMINS;"));
}

QDate parseDate(const QString& text) {
    static const QRegularExpression shape(QStringLiteral("^\\s*(\\d{1,2})/(\\d{1,2})/(\\d{4})\\s*$"));
    const auto m = shape.match(text);
    if (!m.hasMatch()) return {};
    return QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
}

QString formatDate(const QDate& date) {
    return date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy")) : QString();
}

void DateOptions::clearLimits() {
    LimiteDateDeb = LimiteDateDebFrevo = LimiteDateDebProFid = LimiteDateFin = QDate();
}

void DateOptions::read(const QString& deb, const QString& debFrevo, const QString& debProFid,
                       const QString& now, const TraceFn& trace) {
    if (LimiteDateDeb.isValid()) return;
    const std::array<std::pair<const QString*, QDate*>, 4> fields = {{
        {&deb, &LimiteDateDeb},
        {&debFrevo, &LimiteDateDebFrevo},
        {&debProFid, &LimiteDateDebProFid},
        {&now, &ServerNow},
    }};
    for (const auto& [text, date] : fields) {
        if (text->isEmpty()) continue;
        const QDate d = parseDate(*text);
        if (!d.isValid()) {
            say(trace, QStringLiteral("OptDates : date illisible \"%1\", limites effacées").arg(*text));
            clearLimits();
            return;
        }
        *date = d;
    }
    LimiteDateFin = ServerNow;
    // With no server date every set lower limit is "later" than the end.
    auto later = [this](const QDate& d) {
        return d.isValid() && (!LimiteDateFin.isValid() || d > LimiteDateFin);
    };
    if (later(LimiteDateDeb) || later(LimiteDateDebFrevo) || later(LimiteDateDebProFid)) clearLimits();
}

void GetValue(const Pages& pages, int page, const QString& name, QString& value) {
    if (page < 0 || page >= kPageCount) return;
    for (const TsDesc& d : pages[page].Fields)
        if (d.FieldName == name) value = d.CurrentValue;
}

}  // namespace stanor::pages
