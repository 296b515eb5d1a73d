#include "pages/RecordView.h"

#include "pages/RecordViewRules.h"
#include "pages/UpdateTabDesc.h"
#include "toolkit/Controls.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTabWidget>
#include <exception>
#include <stdexcept>

namespace stanor::pages {

RecordView* RecordView::of(QWidget* form, const std::function<RecordViewHost()>& makeHost)
{
    if (!form)
        return nullptr;
    if (auto* view = form->findChild<RecordView*>(QString(), Qt::FindDirectChildrenOnly))
        return view;
    HeaderStrip::ensure(form);
    return new RecordView(form, makeHost ? makeHost() : RecordViewHost{});
}

RecordView::RecordView(QWidget* form, RecordViewHost host)
    : QObject(form), host_(std::move(host)), form_(form)
{
}

void RecordView::trace(const QString& text) const
{
    if (host_.trace)
        host_.trace(text);
}

namespace {

const char* const kHeaderEdits[] = {"xcInfoTitre", "xcIdentity", "xcInfoNVO",
                                    "xcInfoField1", "xcInfoField2", "xcInfoField3"};

// A record request that failed: the pass stops before any answer is read.
class RecordNotLoaded : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace

void RecordView::reportFault(const QString& what)
{
    lastFault_ = QStringLiteral("UpdateView : ") + what;
    trace(lastFault_);
    showNotLoaded(what);
}

void RecordView::showNotLoaded(const QString& message)
{
    state_.RecordLoaded = false;
    // Shown like a request error, in the warning panel and its status label.
    form_.setCaption(QStringLiteral("LbDebugInfo0"), message);
    form_.setCaption(QStringLiteral("LbWarning"), message);
    form_.setVisible(QStringLiteral("PanelWarning"), true);
    // The sheets and the header would show the previous record (or, before
    // any record, empty sheets): nothing of them is shown until a load works.
    form_.setVisible(QStringLiteral("Tabs"), false);
    for (const char* name : kHeaderEdits)
        form_.setCaption(QString::fromLatin1(name), QString());
}

void RecordView::UpdateView(bool reloadFiles)
{
    lastFault_.clear();
    try {
        run(reloadFiles);
    } catch (const RecordNotLoaded& e) {
        lastFault_ = QStringLiteral("UpdateView : fiche non chargée : ") + QString::fromUtf8(e.what());
        trace(lastFault_);
        showNotLoaded(QString::fromUtf8(e.what()));
    } catch (const std::exception& e) {
        reportFault(QString::fromUtf8(e.what()));
    } catch (...) {
        reportFault(QStringLiteral("erreur inconnue"));
    }
    state_.PageFilling = false;
}

void RecordView::requestOne(const QString& url, const char* answerFile)
{
    if (!host_.httpExecute)
        return;
    host_.httpExecute(url, host_.answerPath ? host_.answerPath(QString::fromLatin1(answerFile))
                                            : QString::fromLatin1(answerFile));
    // A failed request leaves the answer of an earlier record in the file:
    // reading it would show that record under the identifiers asked for.
    const QString error = host_.requestError ? host_.requestError() : QString();
    if (!error.isEmpty())
        throw RecordNotLoaded(recordLoadFailure(error).toStdString());
}

void RecordView::requestRecords()
{
    const QString base = host_.baseHRef ? host_.baseHRef() : QString();
    const QString user = host_.idUser ? host_.idUser() : QString();
    const QString vehicle = form_.caption(QStringLiteral("LbIdTVO"));
    if (!vehicle.isEmpty()) {
        state_.UrlInfoVO = host_.infoVOUrl ? host_.infoVOUrl()
                                           : base + QStringLiteral("AxInfoVO?XMLC_OutputFormat=XML&idTVO=") +
                                                 vehicle + QStringLiteral("&UserID=") + user;
        form_.setCaption(QStringLiteral("LbDebugInfo1"), state_.UrlInfoVO);
        const int n = captionId(vehicle);
        state_.FlagNewEnreg = n <= 0;
        trace(QStringLiteral("UpdateView FlagNewEnreg -> %1 - %2").arg(traceBool(state_.FlagNewEnreg)).arg(n));
        requestOne(state_.UrlInfoVO, "XmlVO.xml");
    }
    const QString customer = form_.caption(QStringLiteral("LbIDCustomer"));
    if (!customer.isEmpty()) {
        state_.UrlInfoCL = host_.infoCLUrl ? host_.infoCLUrl()
                                           : base + QStringLiteral("AxInfoCL?XMLC_OutputFormat=XML&UserID=") + user;
        form_.setCaption(QStringLiteral("LbDebugInfo1"), state_.UrlInfoCL);
        const int n = captionId(customer);
        state_.FlagNewEnreg = n <= 0;
        state_.NewVehicle = false;
        trace(QStringLiteral("UpdateView FlagNewEnreg -> %1 - %2").arg(traceBool(state_.FlagNewEnreg)).arg(n));
        requestOne(state_.UrlInfoCL, "XmlCL.xml");
    }
}

void RecordView::run(bool reloadFiles)
{
    const int params = host_.paramCount ? host_.paramCount() : 0;
    form_.setCaption(QStringLiteral("LbDebugInfo3"),
                     QStringLiteral("[%1]").arg(params) + form_.caption(QStringLiteral("LbHttpRoot")) +
                         QStringLiteral(" - ") + (host_.baseHRef ? host_.baseHRef() : QString()) +
                         QStringLiteral(" - ") + form_.caption(QStringLiteral("LbIdTVO")));
    requestRecords();
    UpdateHints(!form_.caption(QStringLiteral("LbIDCustomer")).isEmpty());
    UpdateTabDesc(reloadFiles, true);
    state_.RecordLoaded = true;
    form_.setVisible(QStringLiteral("Tabs"), true);
    if (host_.getDataImages)
        host_.getDataImages();
    if (host_.tabsChange)
        host_.tabsChange();
}

void RecordView::UpdateTabDesc(bool reloadFiles, bool describePages)
{
    pages::UpdateTabDesc pass(state_, form_, host_);
    try {
        pass.run(reloadFiles, describePages);
    } catch (...) {
        state_.PageFilling = false;
        throw;
    }
    // The commands follow every record the pages are described for: one
    // opened from the search or started new may be of another kind, or have
    // its site and salesperson still to choose.
    if (describePages)
        showCommands();
}

void RecordView::showCommands()
{
    const UserRights& r = state_.rights;
    const CommandVisibility v =
        commandVisibility(state_.KindSuffix, r.RightSuperAdmin, r.RightCompta,
                          isTestUser(host_.idUser ? host_.idUser() : QString(), state_.UserName), r.RightProfid);
    form_.setVisible(QStringLiteral("JvXPBtnNewVO"), v.newRecord);
    form_.setVisible(QStringLiteral("JvXPBtnSuppr"), v.remove);
    form_.setVisible(QStringLiteral("JvXPBtnSweep"), v.sweep);
    form_.setVisible(QStringLiteral("PanelCompta"), v.accounting);
    form_.setVisible(QStringLiteral("JvXPBtnSMS"), v.textMessage);
    form_.setVisible(QStringLiteral("LbInfoOptions"), v.options);

    if (r.RightSuperAdmin) {
        if (host_.superAdminDisplay) {
            host_.superAdminDisplay(true);
        } else {
            for (const char* name : {"LbDebugInfo0", "LbDebugInfo1", "LbDebugInfo2", "LbDebugInfo3", "LbHttpRoot",
                                     "LbBaseHRef"})
                form_.setVisible(QString::fromLatin1(name), true);
        }
    }
    if (state_.KindSuffix == kKindCL) {
        form_.setEnabled(QStringLiteral("aSite"), form_.text(QStringLiteral("aSite")).isEmpty() || r.RightSuperAdmin);
        form_.setEnabled(QStringLiteral("aidCom"),
                         form_.text(QStringLiteral("aidCom")).isEmpty() || r.RightSuperAdmin);
    }
}

void RecordView::UpdateHints(bool customer)
{
    for (const char* name : {"JvXPBtnActualize", "JvXPBtnNewVO", "JvXPBtnPrint", "JvXPBtnSuppr", "JvXPNext", "JvXPPrev"}) {
        QWidget* w = form_.widget(QString::fromLatin1(name));
        if (!w)
            continue;
        w->setToolTip(adaptHint(w->toolTip(), customer));
    }
}

}  // namespace stanor::pages
