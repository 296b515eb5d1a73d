#pragma once
// Decisions taken while a record is shown: which answer files are read, the
// record kind, the header texts, the hints of the command buttons and which
// commands a user sees. Plain functions over text so that they are tested
// without a form.

#include <QDate>
#include <QString>

namespace stanor::pages {

// Record kinds, as the tab descriptions name them.
inline const QString kKindVO = QStringLiteral("_TVO");
inline const QString kKindVD = QStringLiteral("_TVD");
inline const QString kKindVN = QStringLiteral("_TVN");
inline const QString kKindCL = QStringLiteral("_TCL");

// Which record answers make up the record text, from the customer caption.
struct AnswerFiles {
    bool vehicle = false;   // "XmlVO.xml"
    bool customer = false;  // "XmlCL.xml", appended after the vehicle answer
};
AnswerFiles chooseAnswerFiles(const QString& customerCaption);

// The record kind of the record just fetched.
struct RecordKind {
    QString typeVO;         // the record's TypeVO, completed as the form keeps it
    QString kindSuffix;     // "_TVO", "_TVD", "_TVN" or "_TCL"
    QString recordElement;  // "tVO" or "TVC"
};
RecordKind decideRecordKind(const QString& typeVO, const QString& statutVD, int idTypeVO,
                            const QString& vehicleCaption, const QString& customerCaption);

// "VO", "VD", "VN" or "CL": the caption of the new-record button.
QString kindCaption(const QString& kindSuffix);

// Header colours (Windows colour values) of the six header edits.
struct HeaderColours {
    qint64 disabledBack = 0;
    qint64 disabledText = 0;
};
HeaderColours headerColours(const QString& kindSuffix);

// Whether the print button is enabled.
bool printEnabled(const QString& kindCaption, const QString& idVO);

// "MARQUE - version"; a missing part leaves no stray " - " (a record being created).
QString headerTitle(const QString& mark, const QString& version);

// Power and mileage: "<cv> cv - <kms> kms", each part only when it holds a value.
QString headerPowerMileage(const QString& cv, const QString& kms);

// Days a vehicle has been in stock: from entry to order, or to the server
// date when no order is known; 0 when a date is missing, invalid or the result
// is negative. Halves round to even.
int daysInStock(const QString& dateOrdre, const QString& dateEntree, const QDate& serverNow);

// Font size of the customer e-mail in the header, by its length.
int emailFontSize(int length);

// Identity line of a customer: civility, surname in capitals, first name with
// a capital initial.
QString identityLine(const QString& civility, const QString& surname, const QString& firstName);

// Hint of a command button adapted to a vehicle or a customer.
QString adaptHint(const QString& hint, bool customer);

// Which commands and panels show, by record kind and rights.
struct CommandVisibility {
    bool newRecord = false;   // JvXPBtnNewVO
    bool remove = false;      // JvXPBtnSuppr
    bool sweep = false;       // JvXPBtnSweep
    bool accounting = false;  // PanelCompta
    bool textMessage = false; // JvXPBtnSMS
    bool options = false;     // LbInfoOptions
};
// A customer is deleted by those who may change customers (PROFID) and by
// super-administrators, as the data service requires.
CommandVisibility commandVisibility(const QString& kindSuffix, bool rightSuperAdmin, bool rightCompta,
                                    bool testUser, bool rightProfid);

// The built-in test user who may send text messages: a fixed user number, or
// else a user name holding a fixed surname.
bool isTestUser(const QString& idUser, const QString& userName);
inline const QString kTestUserId = QStringLiteral("9999");
inline const QString kTestUserSurname = QStringLiteral("TESTEUR");

// The identifier of a caption as an integer, 0 when it is no number; a record
// whose identifier is 0 or below is being created.
int captionId(const QString& caption);

// What the user reads when a record request failed, from the request's error
// text (LbDebugInfo0): the reason in French, then " : la fiche demandée n'a
// pas pu être chargée", then the technical text on a second line when the
// error carried one.
QString recordLoadFailure(const QString& requestError);

// Booleans as the trace log writes them.
inline QString traceBool(bool b) { return b ? QStringLiteral("-1") : QStringLiteral("0"); }

} // namespace stanor::pages
