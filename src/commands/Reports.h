#pragma once
// The printable sheets of the record shown: which sheet a print command asks
// the data service for, and which program opens its address.

#include "platform/SettingsStore.h"

#include <QByteArray>
#include <QString>

namespace stanor::commands {

// Sheet names as the data service knows them.
inline const QString kCustomerSheet = QStringLiteral("Fiche Profid");
inline const QString kMarginSheet = QStringLiteral("VO - Feuille de Marge");
inline const QString kSalesSheetSuffix = QStringLiteral(" - Fiche Commerciale");

enum class PrintCommand {
    RecordSheet,  // the print button of the toolbar
    MarginSheet,  // the margin-sheet button of a used vehicle
};

// What the form shows, as the print commands read it.
struct ShownRecord {
    QString recordElement;  // "TVC" for a customer
    QString kindCaption;    // caption of the new-record button: "VO", "VD", "VN" or "CL"
    QString kindSuffix;     // "_TVO", "_TVD", "_TVN" or "_TCL"
};

struct SheetChoice {
    bool customer = false;  // selected by the customer's identifier, else the vehicle's
    QString reportName;
};

// The sheet a command asks for. The record sheet of a customer is "Fiche
// Profid"; a vehicle's is its kind's sales sheet, whose second form ("2"
// appended) a demonstrator gives with Ctrl held.
SheetChoice ChooseSheet(PrintCommand command, const ShownRecord& shown, bool ctrlHeld);

// "idVO=" or "idClient=" followed by the identifier.
QString SheetSelection(const SheetChoice& sheet, const QString& id);

// A downloaded sheet kept where only this user can read it: a file (mode
// 0600) in the folder "projstanor-fiches-UID" of the temporary folder (mode
// 0700), named after the sheet and its selection; sheets kept there for more
// than a day are removed. Returns the file's path, or "" with the French
// reason in `why`. `folder` replaces the temporary folder (tests).
QString StorePrivateSheet(const QByteArray& pdf, const QString& reportName, const QString& selection,
                          QString& why, const QString& folder = QString());

// The open command of HTML files, whose program is taken as the browser.
inline const QString kHtmlOpenCommandKey = QStringLiteral("HKEY_CLASSES_ROOT\\htmlfile\\shell\\open\\command");

// The program of an open command: the text between its first two double
// quotes ("\"C:\\Program Files\\Web\\web.exe\" -nohome %1" gives
// C:\Program Files\Web\web.exe); empty when it holds fewer than two.
QString BrowserProgram(const QString& commandLine);

struct BrowserChoice {
    enum class How {
        Program,  // the program the open command names
        Desktop,  // no open command: the desktop's default browser
        Nothing,  // an open command that names no program, or cannot be read
    };
    How how = How::Nothing;
    QString program;
    QString problem;  // why nothing can open the sheet (How::Nothing)
};

// Reads the open command of HTML files (without creating its key). A missing
// or empty command leaves the choice to the desktop; one without a quoted
// program, or a value that is not a string, opens nothing and says why.
BrowserChoice ChooseBrowser(platform::SettingsStore& store);

}  // namespace stanor::commands
