#pragma once
// Every request the program sends to the data service, with the answer file
// each one lands in. Callers build their requests here instead of
// concatenating addresses themselves.

#include "service/ServiceHost.h"

#include <QString>

namespace stanor::service {

// Names of the answer files in the trace folder.
namespace answer {
inline const QString kEquip = QStringLiteral("XmlEquip.xml");
inline const QString kStruct = QStringLiteral("XmlStruct.xml");
inline const QString kVO = QStringLiteral("XmlVO.xml");
inline const QString kCL = QStringLiteral("XmlCL.xml");
inline const QString kSearch = QStringLiteral("XmlSInf.xml");
inline const QString kDuplicate = QStringLiteral("XmlSDbl.xml");
inline const QString kReminders = QStringLiteral("XmlRelances.xml");
inline const QString kDuplicateRecords = QStringLiteral("XmlSDoublons.xml");
inline const QString kSaveRecord = QStringLiteral("XmlAXSQLVO.xml");
inline const QString kSaveFrevo = QStringLiteral("XmlAXSQLFrevo.xml");
inline const QString kSaveAction = QStringLiteral("XmlAXSQLAction.xml");
inline const QString kDelete = QStringLiteral("XmlAXDelete.xml");
inline const QString kUpdate = QStringLiteral("XmlAXUpdate.xml");
inline const QString kInsert = QStringLiteral("XmlAXInsert.xml");
inline const QString kHistory = QStringLiteral("XmlHistory.xml");
}  // namespace answer

// A request: the address to send (before HttpExecute adds the customer id)
// and the full path of its answer file.
struct ServiceRequest {
    QString url;
    QString answerFile;
};

// What a save writes to: the record shown, its reconditioning-cost rows or
// the customer's action rows; each has its own answer file.
enum class SaveTarget { Record, FrevoRows, ActionRows };

class RequestCatalogue {
public:
    explicit RequestCatalogue(ServiceParams params) : p_(std::move(params)) {}

    // Full path of an answer file in the trace folder.
    QString answerPath(const QString& name) const;

    ServiceRequest infoEquip() const;    // reference lists (cached at start-up)
    ServiceRequest infoStruct() const;   // tab descriptions (cached)
    ServiceRequest infoVO() const;       // the vehicle record (only when IdTVO is set)
    ServiceRequest infoCL() const;       // the customer record (only when IdClient is set)
    ServiceRequest search(const QString& select) const;          // at most 51 rows: the panel shows 50
    ServiceRequest duplicateCount(const QString& select) const;
    // The stored records that a record being saved would duplicate (at most 20).
    ServiceRequest duplicateRecords(const QString& select) const;
    // The reminders due to the user's salesperson, or, for a
    // super-administrator, to another salesperson (idCom) or to the
    // salespeople of a site.
    ServiceRequest reminders(const QString& idCom = {}, const QString& site = {}) const;
    // An UPDATE of a record or of grid rows ("AxUpdate").
    ServiceRequest save(const QString& statement, SaveTarget target) const;
    // An INSERT carrying ":NewID" ("AxInsert"); the key comes back in "OutParams"/"NewID".
    ServiceRequest insert(const QString& statement, SaveTarget target) const;
    // Deletions and list removals.
    ServiceRequest remove(const QString& statement) const;
    // An insertion into a reference list.
    ServiceRequest listInsert(const QString& statement) const;
    // Photo link updates and the default photo.
    ServiceRequest photoLinkUpdate(const QString& statement) const;
    // The multipart photo upload, posted to "AxInsert".
    ServiceRequest photoUpload() const;
    // A photo file under the web address of the photos (ending with "/").
    QString photo(const QString& imagesUrl, const QString& file) const;
    // The changes of a record and of its lines ("AxHistory"), newest first.
    ServiceRequest history(const QString& table, const QString& key) const;
    // A printable sheet, opened in the browser (no answer file).
    QString reportUrl(const QString& selection, const QString& reportName) const;

private:
    QString endpoint(const QString& name) const;
    QString endpointForUser(const QString& name) const;
    ServiceRequest statement(const QString& endpointName, const QString& sql,
                             const QString& file) const;
    ServiceParams p_;
};

}  // namespace stanor::service
