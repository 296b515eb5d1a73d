// The designed layout of the main form: page control, toolbar, status labels
// and panels, at the positions of the form's design (client area 825 x 623).
#include "TAxStanor.h"

#include <QFontDatabase>
#include <QIcon>
#include <QLocale>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

namespace stanor::app {

namespace {

QString formFontFamily() {
    const QStringList families = QFontDatabase::families();
    if (families.contains(QStringLiteral("Comic Sans MS"))) return QStringLiteral("Comic Sans MS");
    return QStringLiteral("Comic Neue");  // Debian's free look-alike (fonts-comic-neue)
}

QLabel* makeLabel(QWidget* parent, const char* name, QRect geometry) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(geometry);
    return l;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, const QString& hint,
                        QRect geometry) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setFlat(true);
    b->setToolTip(hint);
    b->setGeometry(geometry);
    return b;
}

void setTextColour(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    w->setPalette(p);
}

}  // namespace

void TAxStanor::buildControls() {
    setObjectName(QStringLiteral("AxStanor"));
    setWindowTitle(QStringLiteral("Stanor "));
    resize(kClientWidth, kClientHeight);
    // The controls keep their designed places: a smaller window would cut them off.
    setMinimumSize(kClientWidth, kClientHeight);
    // Qt's own widgets (calendars, standard dialogs) speak French; conversions
    // of values keep the C locale set as the default.
    setLocale(QLocale(QLocale::French, QLocale::France));
    QFont formFont(formFontFamily());
    formFont.setPixelSize(11);
    setFont(formFont);

    Tabs = new QTabWidget(this);
    Tabs->setObjectName(QStringLiteral("Tabs"));
    Tabs->setGeometry(0, 0, kClientWidth, 560);
    QFont tabsFont(formFont);
    tabsFont.setPixelSize(12);
    Tabs->setFont(tabsFont);
    for (int i = 0; i < 9; ++i) {
        auto* sheet = new QWidget;
        sheet->setObjectName(QStringLiteral("Sheet%1").arg(i + 1, 2, 10, QChar(u'0')));
        Tabs->addTab(sheet, QStringLiteral("Fiche %1").arg(i + 1));
        Sheets[i] = sheet;
    }
    // The sheets show once a record is loaded in them, never empty.
    Tabs->hide();

    // Toolbar under the sheets: flat buttons with the pictures of the desktop's
    // icon theme, each as wide as its caption needs, the options label after
    // the last one.
    const int barTop = 564, barHeight = 28;
    struct Tool {
        QPushButton** button;
        const char* name;
        const char* icon;
        QString caption, hint;
    };
    const Tool tools[] = {
        {&JvXPBtnNewVO, "JvXPBtnNewVO", "document-new", QStringLiteral("VO"), QStringLiteral("nouveau véhicule")},
        {&JvXPBtnSave, "JvXPBtnSave", "document-save", QStringLiteral("Enreg."),
         QStringLiteral("enregistrement des modifications")},
        {&JvXPBtnActualize, "JvXPBtnActualize", "view-refresh", QStringLiteral("Actualiser"),
         QStringLiteral("rechargement des informations du véhicule")},
        {&JvXPBtnSuppr, "JvXPBtnSuppr", "edit-delete", QStringLiteral("Suppr."),
         QStringLiteral("suppression de l'enregistrement")},
        {&JvXPBtnPrint, "JvXPBtnPrint", "document-print", QStringLiteral("Imprimer"),
         QStringLiteral("impression de la fiche du véhicule")},
        {&JvXPBtnHistory, "JvXPBtnHistory", "document-open-recent", QStringLiteral("Historique"),
         QStringLiteral("historique des modifications de l'enregistrement")},
        {&JvXPPrev, "JvXPPrev", "go-previous", QStringLiteral("<< Enrg.Préc."),
         QStringLiteral("enregistrement précédent")},
        {&JvXPNext, "JvXPNext", "go-next", QStringLiteral(">> Enrg.Suiv."), QStringLiteral("enregistrement suivant")},
        {&JvXPBtnSweep, "JvXPBtnSweep", "edit-clear", QStringLiteral("Purge VN"),
         QStringLiteral("suppression des enregistrements VN annulés")},
    };
    int x = 4;
    for (const Tool& t : tools) {
        QPushButton* b = makeButton(this, t.name, t.caption, t.hint, QRect());
        b->setIcon(QIcon::fromTheme(QString::fromLatin1(t.icon)));
        b->setIconSize(QSize(16, 16));
        const int w = std::max(b->sizeHint().width() + 4, 56);
        b->setGeometry(x, barTop, w, barHeight);
        x += w + 2;
        *t.button = b;
    }
    JvXPNext->setEnabled(false);
    JvXPPrev->setEnabled(false);
    JvXPBtnSave->setEnabled(false);  // nothing is pending before a record is shown
    JvXPBtnSweep->hide();  // its place stays: the options label never runs into it
    // The options chosen in the option list of a demonstrator or new vehicle,
    // readable whatever sheet is shown; the record view shows it for those kinds.
    LbInfoOptions = makeLabel(this, "LbInfoOptions", QRect(x + 6, barTop, std::max(80, kClientWidth - x - 10), barHeight));
    LbInfoOptions->setWordWrap(true);
    LbInfoOptions->hide();

    // Status row, always shown.
    const int statusTop = 598;
    LbVersion = makeLabel(this, "LbVersion", QRect(4, statusTop, 200, 18));
    LbIdTVO = makeLabel(this, "LbIdTVO", QRect(208, statusTop, 70, 18));
    LbIDCustomer = makeLabel(this, "LbIDCustomer", QRect(282, statusTop, 70, 18));
    LbDebugInfo0 = makeLabel(this, "LbDebugInfo0", QRect(356, statusTop, 465, 18));
    setTextColour(LbDebugInfo0, Qt::red);
    // One line high: of a longer error the status row shows the first line,
    // the warning panel the whole text.
    LbDebugInfo0->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LbDebugInfo0->setFixedHeight(LbDebugInfo0->fontMetrics().lineSpacing());
    // In the same place, a notice that is no error (the status line shows one or the other).
    LbInfo = makeLabel(this, "LbInfo", QRect(356, statusTop, 465, 18));
    setTextColour(LbInfo, QColor(30, 90, 160));
    LbInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LbInfo->setFixedHeight(LbInfo->fontMetrics().lineSpacing());

    // Debug rows below the designed client area, shown to super-administrators
    // (the form then grows to the bottom of JvXPNext plus 75 pixels).
    LbDebugInfo1 = makeLabel(this, "LbDebugInfo1", QRect(4, 622, 560, 14));
    LbDebugInfo2 = makeLabel(this, "LbDebugInfo2", QRect(4, 636, 560, 14));
    LbDebugInfo3 = makeLabel(this, "LbDebugInfo3", QRect(4, 650, 560, 14));
    LbHttpRoot = makeLabel(this, "LbHttpRoot", QRect(568, 622, 253, 14));
    LbBaseHRef = makeLabel(this, "LbBaseHRef", QRect(568, 636, 253, 14));
    for (QLabel* l : {LbDebugInfo1, LbDebugInfo2, LbDebugInfo3, LbHttpRoot, LbBaseHRef}) l->hide();

    // The search button at the right end of the sheets' tab row; the search
    // panel floats over the sheets below it (filled by the search panel).
    JvXPBtnSearch = makeButton(this, "JvXPBtnSearch", QStringLiteral("Rechercher"),
                               QStringLiteral("recherche d'un client ou d'un véhicule"), QRect());
    JvXPBtnSearch->setIcon(QIcon::fromTheme(QStringLiteral("edit-find")));
    JvXPBtnSearch->setIconSize(QSize(16, 16));
    {
        const int w = std::max(JvXPBtnSearch->sizeHint().width() + 8, 96);
        JvXPBtnSearch->setGeometry(kClientWidth - w - 4, 27, w, 22);
    }
    // Today's reminders beside it, in sight whatever the record shown (the
    // command bar below has no room left at the window's width).
    JvXPBtnRelances = makeButton(this, "JvXPBtnRelances", QStringLiteral("Relances (99)"),
                                 QStringLiteral("relances du jour"), QRect());
    JvXPBtnRelances->setIcon(QIcon::fromTheme(QStringLiteral("x-office-calendar")));
    JvXPBtnRelances->setIconSize(QSize(16, 16));
    {
        const int w = JvXPBtnRelances->sizeHint().width() + 24;  // room for the count in bold
        JvXPBtnRelances->setGeometry(JvXPBtnSearch->x() - w - 4, 27, w, 22);
    }
    PanelSearch = new QFrame(this);
    PanelSearch->setObjectName(QStringLiteral("PanelSearch"));
    PanelSearch->hide();
    PanelRelances = new QFrame(this);
    PanelRelances->setObjectName(QStringLiteral("PanelRelances"));
    PanelRelances->hide();

    Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setLineWidth(2);
    Shape1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Shape1->hide();

    PanelWarning = new QFrame(this);
    PanelWarning->setObjectName(QStringLiteral("PanelWarning"));
    PanelWarning->setGeometry(0, 0, kClientWidth, 81);
    PanelWarning->setAutoFillBackground(true);
    {
        QPalette p = PanelWarning->palette();
        p.setColor(QPalette::Window, Qt::red);
        p.setColor(QPalette::ButtonText, Qt::white);
        PanelWarning->setPalette(p);
    }
    // The error of the last request, readable where the eye goes: below the
    // header strip, which stays in front of the panel to say which record
    // the error is about, three lines high.
    const int warningTop = kHeaderStripHeight;
    BtnWarningClose = new QToolButton(PanelWarning);
    BtnWarningClose->setObjectName(QStringLiteral("BtnWarningClose"));
    BtnWarningClose->setText(QStringLiteral("\u2715"));
    BtnWarningClose->setAutoRaise(true);
    BtnWarningClose->setToolTip(QStringLiteral("masquer l'avertissement (il reste écrit dans la ligne d'état)"));
    BtnWarningClose->setGeometry(kClientWidth - 32, warningTop + 2, 26, 26);
    // The panel covers the tab bar and the search button: the user may put it
    // away and go on; the next error shows it again.
    connect(BtnWarningClose, &QToolButton::clicked, this, [this] {
        noticePutAway_ = true;
        PanelWarning->hide();
    });
    // What the user can do about some errors (save the sheet no browser opened).
    BtnWarningAction = new QPushButton(PanelWarning);
    BtnWarningAction->setObjectName(QStringLiteral("BtnWarningAction"));
    BtnWarningAction->setGeometry(kClientWidth - 40 - 180, warningTop + 12, 180, 28);
    {
        // A plain button on the red: its caption dark, not the close cross's white.
        QPalette p = BtnWarningAction->palette();
        p.setColor(QPalette::ButtonText, Qt::black);
        BtnWarningAction->setPalette(p);
    }
    BtnWarningAction->hide();
    connect(BtnWarningAction, &QPushButton::clicked, this, [this] {
        if (warningAction_) warningAction_();
    });
    LbWarning = makeLabel(PanelWarning, "LbWarning", QRect(12, warningTop, kClientWidth - 12 - 40, 81 - warningTop - 2));
    LbWarning->setWordWrap(true);
    LbWarning->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    LbWarning->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setTextColour(LbWarning, Qt::white);
    {
        QFont f = formFont;
        f.setPixelSize(13);
        f.setBold(true);
        LbWarning->setFont(f);
        BtnWarningClose->setFont(f);
    }
    PanelWarning->hide();

    PanelSplash = new QFrame(this);
    PanelSplash->setObjectName(QStringLiteral("PanelSplash"));
    PanelSplash->setGeometry(212, 220, 400, 120);
    PanelSplash->setFrameShape(QFrame::Panel);
    PanelSplash->setFrameShadow(QFrame::Raised);
    PanelSplash->setAutoFillBackground(true);
    {
        // What the splash says while the first record loads, below the version
        // text that the first tick clears.
        auto* title = makeLabel(PanelSplash, "LbSplashTitle", QRect(10, 12, 380, 34));
        title->setText(QStringLiteral("Stanor"));
        title->setAlignment(Qt::AlignCenter);
        QFont big = formFont;
        big.setPixelSize(26);
        big.setBold(true);
        title->setFont(big);
        auto* loading = makeLabel(PanelSplash, "LbSplashInfo", QRect(10, 84, 380, 22));
        loading->setText(QStringLiteral("Chargement de la fiche…"));
        loading->setAlignment(Qt::AlignCenter);
    }
    LbSplash = makeLabel(PanelSplash, "LbSplash", QRect(10, 48, 380, 32));
    LbSplash->setAlignment(Qt::AlignCenter);
    {
        QFont f = formFont;
        f.setPixelSize(16);
        LbSplash->setFont(f);
    }

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(250);
    connect(Timer1, &QTimer::timeout, this, &TAxStanor::Timer1Timer);
}

void TAxStanor::setLbVersionRed(bool red) {
    versionRed_ = red;
    setTextColour(LbVersion, red ? QColor(255, 0, 0) : palette().color(QPalette::WindowText));
}

void TAxStanor::SetSuperAdminDisplay(bool superAdmin) {
    for (QLabel* l : {LbDebugInfo0, LbDebugInfo1, LbDebugInfo2, LbDebugInfo3, LbHttpRoot, LbBaseHRef})
        l->setVisible(superAdmin || l == LbDebugInfo0);
    const int stretched = JvXPNext->geometry().bottom() + 1 + 75;
    // The designed height comes back only from the stretched one: a window the
    // user made taller stays so.
    if (superAdmin)
        resize(width(), stretched);
    else if (height() == stretched)
        resize(width(), kClientHeight);
}

}  // namespace stanor::app
