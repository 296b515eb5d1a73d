#pragma once
// What the record view keeps between records (the state of the main form
// that showing a record reads and writes) and what it asks of the form and of
// the other subsystems (run parameters, requests, trace, later rules).

#include "pages/TabModel.h"
#include "service/TXml.h"

#include <QDate>
#include <QPointer>
#include <QString>
#include <functional>

class QLabel;
class QWidget;

namespace stanor::toolkit {
class ComboBox;
class ListBox;
}  // namespace stanor::toolkit

namespace stanor::pages {

struct RecordViewState {
    Pages pages;
    UserRights rights;
    DateOptions dates;

    service::TXml RecordXml;    // the record answer (vehicle, then customer)
    service::TXml CustomerXml;  // "XmlCL.xml"
    service::TXml StructXml;    // "XmlStruct.xml"
    service::TXml EquipXml;     // "XmlEquip.xml"

    bool FlagNewEnreg = false;  // a record is being created
    bool NewVehicle = false;    // a customer vehicle is being created
    bool PageFilling = false;   // values are being loaded: change events do nothing
    // The pages show the record the identifiers name. Cleared when a record
    // could not be loaded: the sheets are then hidden rather than showing
    // the previous record under the new identifiers.
    bool RecordLoaded = false;
    int SelectedVehicle = 0;    // 0-based position of the customer vehicle shown
    int VehicleState = 0;       // 0 no vehicle, 1 one shown, -1 none selected
    int FirstPage = 0;

    QString KindSuffix;
    QString RecordElement = QStringLiteral("tVO");
    QString TypeVO;
    QString FrevoValue;
    QString IdVO;
    QString UserName;
    QString UserUS1;
    // The dealership's VAT rate in percent, as its options give it ("20.00");
    // empty when they give none.
    QString VatRate;
    QString SiteFilter;
    QString LastTypeVersion;
    QString UrlInfoVO;
    QString UrlInfoCL;

    // Convenience for the handlers of other subsystems.
    bool GetDataRights(const QString& tags) const { return rights.GetDataRights(tags); }
};

// The form and the neighbouring subsystems, as the record view uses them.
struct RecordViewHost {
    std::function<void(const QString&)> trace;
    // Full path of an answer file in the trace folder.
    std::function<QString(const QString& name)> answerPath;
    std::function<QString()> baseHRef;
    std::function<QString()> idUser;
    std::function<int()> idTypeVO;
    std::function<int()> paramCount;
    std::function<QString()> userConcession;
    std::function<QString()> userSite;
    // The "User" section replaces the dealership and the sites of the run parameters.
    std::function<void(const QString& concession, const QString& site)> setUserParams;
    // Sends a GET and writes its answer into the file (local path).
    std::function<void(const QString& url, const QString& file)> httpExecute;
    // The error text of the last request (LbDebugInfo0): empty means success.
    std::function<QString()> requestError;
    // Addresses of the vehicle and customer record requests, from the request
    // catalogue; when left empty they are formed from baseHRef and idUser.
    std::function<QString()> infoVOUrl;
    std::function<QString()> infoCLUrl;
    std::function<QDate()> today;

    // Later subsystems; each may be left empty.
    std::function<bool(int page)> testPageUpdate;
    std::function<void()> updateTVAetMarges;
    // Whether a line of a sub-record grid waits to be stored.
    std::function<bool()> gridLinePending;
    std::function<void()> getDataImages;
    std::function<void()> tabsChange;
    std::function<void(bool superAdmin)> superAdminDisplay;

    // Reference lists: fills the field's combo box or list box and selects its
    // value; starts a description pass (the remembered mark and model).
    std::function<void(TsDesc&, toolkit::ComboBox*)> fillCombo;
    std::function<void(TsDesc&, toolkit::ListBox*)> fillList;
    std::function<void()> beginPass;
    std::function<void(const QString&)> setLastTypeVersion;
    // Attaches the generic field events to a bound control (keeping the
    // handlers its design binds).
    std::function<void(QWidget* control, int controlType, const TsDesc&)> attachEvents;
    // The caption label that the design placed beside a control, if any: a
    // row's caption reuses it instead of adding a second label.
    std::function<QLabel*(const QWidget* control)> designedCaption;
    // Places a control created for a row without designed control (and its
    // caption) in the layout of its sheet; false leaves the row's position.
    std::function<bool(QWidget* sheet, QWidget* control, QLabel* caption, bool captionAbove, int rows)>
        placeCreated;
};

}  // namespace stanor::pages
