#pragma once
// The search panel Panel1: five mode pairs (label and picture button), the
// site and vehicle-type filters of vehicle searches, the search text, the
// exact-search switch and the result grid ngSearch. It floats over the
// sheets under the search button; the search runs from the form's timer a
// little after the last change, and a click on a hit opens its record.

#include "search/SearchGrid.h"
#include "search/SearchHost.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <vector>

class QFrame;
class QPoint;
class QPushButton;

namespace stanor::toolkit {
class ComboBox;
class FlatButton;
class Grid;
class Label;
class Memo;
struct GridCellFormat;
}  // namespace stanor::toolkit

namespace stanor::pages {
class RecordView;
}

namespace stanor::search {

class SearchPanel : public QObject {
    Q_OBJECT
public:
    // Builds the panel's controls inside frame (named Panel1 from then on),
    // bound to the search button; owned by the frame.
    static SearchPanel* install(QFrame* frame, QPushButton* searchButton, pages::RecordView& view, SearchHost host);
    static SearchPanel* of(const QFrame* frame);

    SearchHost& host() { return host_; }

    // ---- Controls
    QFrame* Panel1 = nullptr;
    QPushButton* JvXPBtnSearch = nullptr;
    std::array<toolkit::Label*, kModePairCount> ModeLabels{};    // TSLbNVO, TSLbImmat, TSLbClient, TSLbTelephone, TSLbMobile
    std::array<toolkit::FlatButton*, kModePairCount> ModeButtons{};  // TSNVO, TSImmat, TSClient, TSTelephone, TSMobile
    toolkit::Label* ncbLbSite = nullptr;
    toolkit::ComboBox* ncbSite = nullptr;
    toolkit::Label* ncbLbTypeVO = nullptr;
    toolkit::ComboBox* ncbTypeVO = nullptr;
    toolkit::Memo* ncbSearch = nullptr;
    toolkit::Label* LbSearch = nullptr;
    toolkit::Label* ncbLabel = nullptr;
    toolkit::Grid* ngSearch = nullptr;

    // ---- State of the form kept by the panel
    bool ExactSearch = false;
    bool SearchWithFirstName = false;
    int SearchHighlightCol = 0;
    toolkit::Label* ActiveSearchLabel = nullptr;

    // ---- Handlers
    // Prepares the panel for the record kind shown and opens or closes it.
    void JvXPBtnSearchClick();
    void BtnActivate(ModePair pair);
    void TSLbNVOClick() { BtnActivate(ModePair::NVO); }
    void TSLbImmatClick() { BtnActivate(ModePair::Immat); }
    void TSLbClientClick() { BtnActivate(ModePair::Client); }
    void TSLbTelephoneClick() { BtnActivate(ModePair::Telephone); }
    void TSLbMobileClick() { BtnActivate(ModePair::Mobile); }
    void TSVClick();
    void ncbSearchChange();
    void ncbSiteChange();
    void ncbTypeVOChange();
    void LbSearchClick();
    // Runs one search and fills the grid (from the timer).
    void HttpGetSearchInfo();
    // Opens the record of a row; true when it was opened.
    bool ngSearchCellClick(int column, int row);
    void ngSearchMouseMove(const QPoint& pos);
    void ngSearchCellFormating(int row, int column, toolkit::GridCellFormat& format);

    // Whether the record shown is a customer (the panel then searches customers).
    bool customerPage() const;
    // The mode the enabled button selects.
    QString activeMode() const;
    // The mode of the rows shown (0 before the first search).
    int shownMode() const { return shownMode_; }
    const std::vector<SearchRow>& rows() const { return rows_; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    SearchPanel(QFrame* frame, QPushButton* searchButton, pages::RecordView& view, SearchHost host);
    void build();
    void firstFill();
    void fillList(toolkit::ComboBox* combo, const QString& list, const QString& saved);
    void layOut(bool customers);
    void showRows();
    void sortBy(int column);
    void selectRow(int row);
    void setSearchDelay(int ticks);
    void trace(const QString& text) const;

    pages::RecordView& view_;
    SearchHost host_;
    std::vector<SearchRow> rows_;
    int shownMode_ = 0;
    int sortColumn_ = -1;
    bool searching_ = false;
    bool sortAscending_ = true;
};

}  // namespace stanor::search
