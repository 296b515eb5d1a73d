#pragma once
// The main form: the window that shows one record on nine sheets, its status
// labels, toolbar commands and the 250 ms timer that drives the start-up and
// the deferred requests. Run parameters come from the settings store through
// OnStart and the twelve setters.

#include "AppContext.h"
#include "TraceLog.h"
#include "search/SearchHost.h"
#include "service/RequestCatalogue.h"
#include "service/ServiceHost.h"

#include <QString>
#include <QWidget>
#include <array>
#include <memory>

class QFrame;
class QHttpMultiPart;
class QLabel;
class QPushButton;
class QTabWidget;
class QTimer;
class QToolButton;

namespace stanor::service {
class DataServiceClient;
struct ClientOptions;
}
namespace stanor::records {
class RecordPersistence;
}
namespace stanor::pages {
class RecordEditing;
}
namespace stanor::commands {
class SideCommands;
}
namespace stanor::platform {
class Shell;
}
namespace stanor::search {
class DuplicateIndicators;
class SearchPanel;
}  // namespace stanor::search

namespace stanor::app {

class TAxStanor : public QWidget, public service::ServiceHost {
    Q_OBJECT
public:
    explicit TAxStanor(const AppContext& ctx, QWidget* parent = nullptr);
    ~TAxStanor() override;

    const AppContext& context() const { return ctx_; }

    // ---- Controls (object names as designed) ----
    QTabWidget* Tabs = nullptr;
    std::array<QWidget*, 9> Sheets{};  // Sheet01 .. Sheet09
    QWidget* Sheet(int number) const { return Sheets.at(number - 1); }  // 1..9

    QLabel* LbDebugInfo0 = nullptr;  // last error (red); empty means the last request went well
    QLabel* LbDebugInfo1 = nullptr;
    QLabel* LbDebugInfo2 = nullptr;
    QLabel* LbDebugInfo3 = nullptr;
    QLabel* LbHttpRoot = nullptr;
    QLabel* LbBaseHRef = nullptr;
    QLabel* LbVersion = nullptr;
    QLabel* LbIdTVO = nullptr;
    QLabel* LbIDCustomer = nullptr;
    QLabel* LbInfoOptions = nullptr;  // texts of the options chosen for a demonstrator or new vehicle
    QFrame* PanelWarning = nullptr;  // red panel across the top, shown while LbDebugInfo0 holds an error
    QLabel* LbWarning = nullptr;     // the same error, in the warning panel
    QToolButton* BtnWarningClose = nullptr;  // puts the warning panel away until the next error
    QFrame* PanelSplash = nullptr;
    QLabel* LbSplash = nullptr;
    QFrame* PanelSearch = nullptr;  // the search panel Panel1, filled by Search()
    QFrame* Shape1 = nullptr;       // frame drawn around a reference list being edited

    QPushButton* JvXPBtnNewVO = nullptr;
    QPushButton* JvXPBtnSave = nullptr;
    QPushButton* JvXPBtnActualize = nullptr;
    QPushButton* JvXPBtnHistory = nullptr;
    QPushButton* JvXPBtnSuppr = nullptr;
    QPushButton* JvXPBtnPrint = nullptr;  // printable sheet of the record (enabled by the record view)
    QPushButton* JvXPNext = nullptr;
    QPushButton* JvXPPrev = nullptr;
    QPushButton* JvXPBtnSweep = nullptr;
    QPushButton* JvXPBtnSearch = nullptr;  // opens and closes the search panel

    QTimer* Timer1 = nullptr;

    // ---- Run parameters ----
    QString BaseHRef;
    QString IdUser;
    QString UserConcession;
    QString UserSite;
    QString URLImages;
    QString OCXName;
    QString OCXVersion;
    QString WhereClause;
    QString OrderClause;
    bool TraceOn = false;
    QString TraceDir;
    int IdTypeVO = 0;
    // The three parameters kept only as label captions.
    QString HttpRoot() const;
    QString IdTVO() const;
    QString IdClient() const;

    // ---- Timer and start-up state ----
    int ParamCount = 0;
    int StartCount = 0;
    int TimerTicks = 0;
    int IdleSeconds = 0;
    int DblDelay = 0;
    int SearchDelay = 0;
    bool Blinking = false;
    int BlinkTicks = 0;
    QString FileVersion;

    // ---- Run-parameter interface ----
    void OnStart();
    // Each setter stores its value, counts itself in ParamCount, traces its
    // name and returns 0, or non-zero when storing failed.
    int httproot(const QString& value);
    int basehref(const QString& value);
    int idtvo(const QString& value);
    int idClient(const QString& value);
    int ocxname(const QString& value);
    int ocxversion(const QString& value);
    int urlimages(const QString& value);
    int iduser(const QString& value);
    int userconcession(const QString& value);
    int usersite(const QString& value);
    int whereclause(const QString& value);
    int orderclause(const QString& value);
    QString idClient() const override { return IdClient(); }

    // Remembered choices under the program's key; never report errors.
    void SetTagRegistry(const QString& name, const QString& value);
    QString GetTagRegistry(const QString& name);

    // ---- Form events ----
    void ActiveFormCreate();
    void ActiveFormActivate();
    void ActiveFormDestroy();
    void Timer1Timer();
    void OnMsgActualize();
    // Answers 1 when the form takes the key itself (TAB), 0 otherwise.
    int CMWantSpecialKey(int key);
    void GestionHints(const QString& hint);

    // ---- Trace and status display ----
    void WriteTrace(const QString& text);
    // Shows the debug labels and stretches the form below the toolbar for a
    // super-administrator; hides them and restores the designed height otherwise.
    void SetSuperAdminDisplay(bool superAdmin);
    bool LbVersionIsRed() const { return versionRed_; }

    // ---- Editing the record shown ----
    // Builds the page's pending statement; the save and new-record buttons
    // follow whether anything is pending. True when a field of the page changed.
    bool TestPageUpdate(int page);
    // Deletes (mode -1) or adds (mode 0) the text of a reference list's combo box.
    void ActionInfoRubrique(QWidget* control, int mode);
    // The field events, rules, date checks and pending statements of the pages.
    pages::RecordEditing& Editing() const { return *editing_; }
    // Kind of the duplicate-customer check armed by the last change of a customer field.
    QString DblField;
    void setDblChange(const QString& kind);

    // ---- Saving and the record commands (TAxStanorRecords.cpp) ----
    bool SaveChanges();
    void JvXPBtnNewVOClick();
    void JvXPBtnSaveClick();
    void JvXPBtnActualizeClick();
    void JvXPBtnSupprClick();
    void JvXPNextClick();
    void JvXPPrevClick();
    void JvXPBtnSweepClick();
    void TabsChanging(bool& allowChange);
    void TabsChange();
    QString GetIdVO(bool report);
    QString GetIdClient(bool report);
    records::RecordPersistence& Persistence() const { return *persistence_; }
    // A save of the record is under way (its requests run in a nested event loop).
    bool SaveUnderWay() const;
    // Stores what is pending before the record is loaded again; false when
    // something stays pending (the warning says why).
    bool SaveBeforeLeaving();

    // ---- Printable sheets and the test text message (TAxStanorCommands.cpp) ----
    void JvXPBtnPrintClick();
    void czFeuilleMargeClick();
    void JvXPBtnSMSClick();
    bool OpenInBrowser(const QString& url);
    commands::SideCommands& SideCommands() const { return *sideCommands_; }
    // ---- Search panel and duplicate-customer indicators ----
    search::SearchPanel& Search() const { return *search_; }
    search::DuplicateIndicators& Duplicates() const { return *duplicates_; }

    // ---- Filled by later work (virtual so that tests can watch the calls) ----
    virtual void UpdateParams();
    virtual void UpdateView(bool reload);
    virtual void HttpGetDblInfo();
    virtual void HttpGetSearchInfo();
    virtual void SetProxy();
    virtual void HttpDisconnect();

    // ---- Data-service access: the form is the host of every request ----
    service::DataServiceClient& Http();
    service::RequestCatalogue Requests() const { return service::RequestCatalogue(params()); }
    void HttpExecute(const QString& url, const QString& fileName);
    void HttpExecuteCached(const QString& url, const QString& fileName);
    // Replaces the settings of the data-service client (tests shorten the
    // read time-out and the pause between attempts).
    void SetHttpOptions(const service::ClientOptions& options);
    // Takes the form over and releases it in every case.
    void HttpPost(const QString& url, const QString& fileName, std::unique_ptr<QHttpMultiPart> form);
    void writeTrace(const QString& text) override { WriteTrace(text); }
    void setRequestError(const QString& text) override;
    QString requestError() const override;
    void setDebugInfo1(const QString& text) override;
    void appendVersionText(const QString& text) override;
    int idleSeconds() const override { return IdleSeconds; }
    void resetIdleSeconds() override { IdleSeconds = 0; }
    service::ServiceParams params() const override;
    bool ctrlHeld() const override;
    // The sign-in: "ServiceNetrcFile" of the program's key (~/.netrc when
    // empty), the dialog "Connexion au service de données", and the user's
    // name of the last record answer.
    QString netrcFile() const override;
    std::optional<QString> askPassword(const QString& user, const QString& message) override;
    QString userName() const override;

    // The store could not be read at all by the last OnStart (a malformed
    // file): at start-up the program ends after its boxes.
    bool SettingsUnreadable() const { return settingsUnreadable_; }
    // The sheets show the record the identifiers name (the last load worked).
    bool RecordShown();

    // Where the user left the window last time (the "WindowGeometry" value),
    // when a screen still shows it; saved when the window closes.
    void RestoreWindowGeometry();
    void SaveWindowGeometry();

    // Shows an error no handler caught, as the application's default error box does.
    void ShowDefaultError(const QString& message);

    static constexpr int kClientWidth = 825;
    static constexpr int kClientHeight = 623;
    // The line of header edits above the sheets, in front of the warning panel.
    static constexpr int kHeaderStripHeight = 26;

protected:
    bool event(QEvent* e) override;
    // Changes still pending are offered for saving before the window closes.
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildControls();
    search::SearchHost searchHost();
    // TAB and Shift+TAB: the next control of the current sheet in reading
    // order; false when the focus is in a grid, which takes TAB itself.
    bool moveFocus(bool forward);
    // The control with the focus: the application's, else the form's own.
    QWidget* formFocus() const;
    // Ctrl+TAB and Ctrl+Shift+TAB: the next sheet shown.
    void switchSheet(bool forward);
    void writeStartDebugLine();
    void startupSequence();
    void reportFirstRecord();
    void showSplash();
    template <typename Store>
    int runSetter(const char* name, const QString& value, Store&& store);
    void setLbVersionRed(bool red);
    void setWaitCursor(bool on);
    void installSideCommands();

    AppContext ctx_;
    TraceLog trace_;
    bool versionRed_ = false;
    bool waitCursor_ = false;
    bool hintsRouted_ = false;
    bool settingsUnreadable_ = false;
    QString lastSetterError_;
    std::unique_ptr<service::DataServiceClient> http_;  // created on first use
    pages::RecordEditing* editing_ = nullptr;           // owned by the record view
    records::RecordPersistence* persistence_ = nullptr; // owned by the record view
    commands::SideCommands* sideCommands_ = nullptr;    // owned by the record view
    std::unique_ptr<platform::Shell> desktopShell_;     // when the context gives none
    search::SearchPanel* search_ = nullptr;             // owned by PanelSearch
    search::DuplicateIndicators* duplicates_ = nullptr; // owned by the record view
};

}  // namespace stanor::app
