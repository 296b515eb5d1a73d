#pragma once
// The reference lists of the "XmlEquip.xml" answer, read with the tag
// scanner: general value lists ("Pars"), salespeople, marks, models,
// versions, site marks and option lists, and what a field's combo box or list
// box shows from them. Plain data; the widget layer applies the results.

#include "pages/TabModel.h"
#include "service/TXml.h"

#include <QStringList>

#include <optional>
#include <vector>

namespace stanor::pages {

struct ListItem {
    QString key;
    QString text;
};

// The mark and model remembered while one description pass fills its fields,
// so that models follow the mark and version types the model.
struct PassMemory {
    QString mark;
    QString model;
};

// What a field's combo box shows after its fill.
struct ComboFill {
    QStringList items;
    int selected = -1;  // -1 = no selection
    bool byIndex = false;
    bool firstItemBlank = false;
    bool appended = false;  // the value was missing and added as the last item
};

// What a field's list box shows after its fill.
struct ListFill {
    std::vector<ListItem> items;
    std::vector<bool> selected;
    QString listKeys;  // ";K1;K2;K3"
};

// The part of a list text before " : " (the whole text when it has none).
QString beforeColon(const QString& text);

class RefLists {
public:
    // Works on a copy of the answer scanner.
    explicit RefLists(const service::TXml& equipXml, TraceFn trace = {});

    // The decoded "text" of the "Pars" items of that type, or nothing when
    // the answer holds no such list.
    std::optional<QStringList> parsItems(const QString& type, bool withCr = false);
    // Names of the salespeople working at the site (empty site: nobody).
    QStringList salespeople(const QString& siteFilter);
    // The name of the salesperson with that identifier ("" when none).
    QString salespersonName(const QString& idCom);
    // GetInfoComboBoxIdCom: the identifier of a shown text, "0" when unknown.
    QString idComOf(const QString& name, const QString& text);
    // The marks text of the site, "VW" when the site has no "InfoSite" item.
    QString siteMarks(const QString& site);
    // The "VNModels" models whose mark occurs in the marks text (include) or not.
    std::vector<ListItem> siteModels(const QString& marks, bool include);
    // The option items ("Abbr", "eText") of a list-box list.
    std::vector<ListItem> optionItems(const QString& listKey);
    // The texts of the items of list whose keyElement equals key, from the
    // first such item while the key holds; nothing when no item has it.
    std::optional<QStringList> dependentItems(const QString& list, const QString& key,
                                              const QString& textElement, const QString& keyElement);

    // The combo-box fill of a field for its value (d.ByIndex and
    // d.FirstItemBlank are updated as the list is read).
    ComboFill fillCombo(TsDesc& d, const QString& value, const QString& kindSuffix, PassMemory& pass,
                        const QString& siteFilter);
    // The list-box fill of a field for its value; d.ListKeys is rebuilt.
    ListFill fillList(TsDesc& d, const QString& value, const QString& site);

private:
    service::TXml xml_;
    TraceFn trace_;
};

// Selects the listed items whose key occurs, ";"-enclosed, in value
// (upper-cased), and builds the ";"-prefixed key list.
ListFill selectByKeys(std::vector<ListItem> items, const QString& value);

// The version text after a model change: the last model replaced by the new
// one in capitals, or the new model put in front when the text lacks it.
QString mergeModel(const QString& version, const QString& lastModel, const QString& model);
// The same for a version type, appended at the end when missing.
QString mergeTypeVersion(const QString& version, const QString& lastType, const QString& type);

}  // namespace stanor::pages
