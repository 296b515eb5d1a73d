#include "pages/RefLists.h"

#include "service/TextTools.h"

namespace stanor::pages {

using service::TXml;
using service::XmlFind;
using service::XmlGet;
using service::XmlNext;

namespace {

const QString kInfoCom = QStringLiteral("InfoCom");
const QString kSeparator = QStringLiteral(" : ");

QString field(const TXml& xml, const QString& name) {
    QString v;
    XmlGet(xml, name, v);
    return v;
}

QString decodeList(const QString& text, bool withCr) {
    return service::DecodeXmlText(text, withCr ? service::CrDecoding::Decode : service::CrDecoding::Keep);
}

// One of the mark/model/version lists, or the general value lists.
struct ListChoice {
    QString item;        // item name; the section is item + "S"
    QString keyElement;  // empty: every item qualifies
    QString textElement;
    QString filter;      // compared with the upper-cased key element
};

bool isBlankItem(const QString& t) { return t.isEmpty() || t == QStringLiteral(".."); }

}  // namespace

QString beforeColon(const QString& text) {
    const int p = text.indexOf(kSeparator);
    return p < 0 ? text : text.left(p);
}

RefLists::RefLists(const TXml& equipXml, TraceFn trace) : xml_(equipXml), trace_(std::move(trace)) {}

std::optional<QStringList> RefLists::parsItems(const QString& type, bool withCr) {
    XmlFind(xml_, QStringLiteral("ParsS"));
    const QString wanted = type.toUpper();
    bool inList = false;
    QStringList items;
    while (XmlNext(xml_, QStringLiteral("Pars"))) {
        const bool same = field(xml_, QStringLiteral("type")).toUpper() == wanted;
        if (!inList && !same) continue;
        if (inList && !same) break;
        inList = true;
        items << decodeList(field(xml_, QStringLiteral("text")), withCr);
    }
    if (!inList) {
        if (trace_) trace_(QStringLiteral("liste absente : ") + type);
        return std::nullopt;
    }
    return items;
}

QStringList RefLists::salespeople(const QString& siteFilter) {
    QStringList names;
    if (siteFilter.isEmpty()) return names;
    const QString site = siteFilter.toUpper();
    XmlFind(xml_, QStringLiteral("InfoComS"));
    while (XmlNext(xml_, kInfoCom))
        if (field(xml_, QStringLiteral("Site")).toUpper().contains(site))
            names << field(xml_, QStringLiteral("cNom"));
    return names;
}

QString RefLists::salespersonName(const QString& idCom) {
    XmlFind(xml_, QStringLiteral("InfoComS"));
    while (XmlNext(xml_, kInfoCom))
        if (field(xml_, QStringLiteral("idCom")) == idCom) return field(xml_, QStringLiteral("cNom"));
    return {};
}

QString RefLists::idComOf(const QString& name, const QString& text) {
    if (name == kInfoCom) {
        XmlFind(xml_, QStringLiteral("InfoComS"));
        while (XmlNext(xml_, kInfoCom))
            if (field(xml_, QStringLiteral("cNom")) == text) return field(xml_, QStringLiteral("idCom"));
        return QStringLiteral("0");
    }
    QString key = name.toUpper();
    if (key == QStringLiteral("SUJETRELANCE")) key = QStringLiteral("SUJETACTION");
    const std::optional<QStringList> items = parsItems(key);
    if (!items) return QStringLiteral("0");
    const int i = static_cast<int>(items->indexOf(text));
    return i < 0 ? QStringLiteral("0") : QString::number(i + 1);
}

QString RefLists::siteMarks(const QString& site) {
    const QString wanted = site.toUpper();
    XmlFind(xml_, QStringLiteral("InfoSiteS"));
    while (XmlNext(xml_, QStringLiteral("InfoSite")))
        if (field(xml_, QStringLiteral("Site")).toUpper() == wanted) return field(xml_, QStringLiteral("Marques"));
    return QStringLiteral("VW");
}

std::vector<ListItem> RefLists::siteModels(const QString& marks, bool include) {
    std::vector<ListItem> out;
    XmlFind(xml_, QStringLiteral("VNModelsS"));
    while (XmlNext(xml_, QStringLiteral("VNModels"))) {
        const QString mark = field(xml_, QStringLiteral("vnMark")).toUpper();
        // An empty mark occurs nowhere.
        const bool occurs = !mark.isEmpty() && marks.contains(mark);
        if (occurs != include) continue;
        const QString model = field(xml_, QStringLiteral("vnModel"));
        out.push_back({model.toUpper(), model});
    }
    return out;
}

std::vector<ListItem> RefLists::optionItems(const QString& listKey) {
    std::vector<ListItem> out;
    XmlFind(xml_, listKey + u'S');
    while (XmlNext(xml_, listKey))
        out.push_back({field(xml_, QStringLiteral("Abbr")), field(xml_, QStringLiteral("eText"))});
    if (out.empty() && trace_) trace_(QStringLiteral("liste absente : ") + listKey);
    return out;
}

std::optional<QStringList> RefLists::dependentItems(const QString& list, const QString& key,
                                                    const QString& textElement, const QString& keyElement) {
    const QString wanted = key.trimmed();
    XmlFind(xml_, list + u'S');
    bool found = false;
    QStringList items;
    while (XmlNext(xml_, list)) {
        const bool same = field(xml_, keyElement).trimmed().toUpper() == wanted;
        if (!found && !same) continue;
        if (found && !same) break;
        found = true;
        items << field(xml_, textElement);
    }
    if (!found) return std::nullopt;
    return items;
}

ComboFill RefLists::fillCombo(TsDesc& d, const QString& value, const QString& kindSuffix, PassMemory& pass,
                              const QString& siteFilter) {
    ComboFill out;
    QString key = d.ListKey.toUpper();
    QString v = value;
    int target = 1;
    if (d.ControlType == ControlType::ComboIndex) {
        bool ok = false;
        int n = v.toInt(&ok);
        if (d.FieldName == QStringLiteral("ModeTVA") && (!ok || n == 0)) {
            v = QStringLiteral("1");
            n = 1;
            ok = true;
        }
        d.ByIndex = true;
        target = ok ? n : 1;
    }
    if (d.DataType == DataType::Boolean) {
        if (d.ControlType != ControlType::ComboIndex) key = QStringLiteral("BOOLEAN");
        d.ByIndex = true;
        target = v.toUpper() == QStringLiteral("TRUE") ? 2 : 1;
    }
    out.byIndex = d.ByIndex;

    if (key == QStringLiteral("IDCOM")) {
        out.items = salespeople(siteFilter);
        const QString name = salespersonName(v);
        for (int i = 0; i < out.items.size(); ++i)
            if (out.items[i] == name) out.selected = i;
        return out;
    }

    const bool vnKind = kindSuffix == QStringLiteral("_TVD") || kindSuffix == QStringLiteral("_TVN");
    ListChoice list;
    if (key == QStringLiteral("INFOTYPEVERSION")) {
        list = {QStringLiteral("VNVersions"), QStringLiteral("vnModel"), QStringLiteral("vnVers"), pass.model};
    } else if (key == QStringLiteral("INFOMODELE")) {
        list = vnKind ? ListChoice{QStringLiteral("VNModels"), QStringLiteral("vnMark"), QStringLiteral("vnModel"), pass.mark}
                      : ListChoice{QStringLiteral("Models"), QStringLiteral("vMark"), QStringLiteral("vModel"), pass.mark};
        pass.model = v.toUpper();
    } else if (key == QStringLiteral("INFOMARQUE")) {
        const bool vnMarks = kindSuffix == QStringLiteral("_TVD") ||
                             (kindSuffix == QStringLiteral("_TVN") && d.FieldName.toUpper() == QStringLiteral("INFOMARQUE"));
        list = vnMarks ? ListChoice{QStringLiteral("VNMarks"), {}, QStringLiteral("vnMark"), {}}
                       : ListChoice{QStringLiteral("Marks"), {}, QStringLiteral("vMark"), {}};
        pass.mark = v.toUpper();
    } else {
        list = {QStringLiteral("Pars"), QStringLiteral("type"), QStringLiteral("text"), key};
    }

    XmlFind(xml_, list.item + u'S');
    const QString wanted = v.toUpper();
    bool started = false;
    int counter = 0;
    while (XmlNext(xml_, list.item)) {
        const bool qualifies = list.keyElement.isEmpty() || field(xml_, list.keyElement).toUpper() == list.filter;
        if (!started && !qualifies) continue;
        if (started && !qualifies) break;
        QString item = service::DecodeXmlText(field(xml_, list.textElement), service::CrDecoding::Keep);
        if (!started) {
            started = true;
            d.FirstItemBlank = false;
            if (isBlankItem(item)) {
                item.clear();
                d.FirstItemBlank = true;
            }
        }
        out.items << item;
        const int position = d.FirstItemBlank ? target : target - 1;
        if (beforeColon(item.toUpper()) == wanted || (d.ByIndex && counter == position)) out.selected = counter;
        ++counter;
    }
    if (!started && trace_) trace_(QStringLiteral("liste absente : ") + list.item + u' ' + list.filter);
    out.firstItemBlank = d.FirstItemBlank;
    if (out.selected < 0 && d.ControlType != ControlType::ComboIndex) {
        out.items << v;
        out.selected = static_cast<int>(out.items.size()) - 1;
        out.appended = true;
    }
    return out;
}

ListFill selectByKeys(std::vector<ListItem> items, const QString& value) {
    ListFill out;
    const QString upper = value.toUpper();
    for (const ListItem& it : items) {
        out.listKeys += u';' + it.key;
        out.selected.push_back(upper.contains(u';' + it.key.toUpper() + u';'));
    }
    out.items = std::move(items);
    return out;
}

ListFill RefLists::fillList(TsDesc& d, const QString& value, const QString& site) {
    std::vector<ListItem> items;
    if (d.ListKey == QStringLiteral("PAChoix1") || d.ListKey == QStringLiteral("PAChoix2"))
        items = siteModels(siteMarks(site), d.ListKey == QStringLiteral("PAChoix1"));
    else
        items = optionItems(d.ListKey);
    ListFill out = selectByKeys(std::move(items), value);
    d.ListKeys = out.listKeys;
    return out;
}

QString mergeModel(const QString& version, const QString& lastModel, const QString& model) {
    const int p = version.toUpper().indexOf(lastModel.toUpper());
    if (lastModel.isEmpty() || p < 0) return model.toUpper() + u' ' + version.trimmed();
    QString out = version;
    return out.replace(p, lastModel.size(), model.toUpper());
}

QString mergeTypeVersion(const QString& version, const QString& lastType, const QString& type) {
    const int p = version.toUpper().indexOf(lastType.toUpper());
    if (lastType.isEmpty() || p < 0) return version.trimmed() + u' ' + type.toUpper();
    QString out = version;
    return out.replace(p, lastType.size(), type.toUpper());
}

}  // namespace stanor::pages
