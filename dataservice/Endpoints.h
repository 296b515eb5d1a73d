#pragma once
// The requests of the client and the XML answers they get. Each function takes
// the decoded parameters and returns the whole answer body (Windows-1252, declared ISO-8859-1); every
// failure is answered as "LogItems"/"LogItem" text inside a normal answer.

#include "Caller.h"
#include "FieldLengths.h"
#include "Limits.h"
#include "Store.h"
#include "TextCodec.h"
#include "WriteGate.h"
#include "XmlAnswer.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace stanor::dataservice {

using Clock = std::function<std::chrono::system_clock::time_point()>;

// One part of a multipart form.
struct FormPart {
    std::string name;
    std::string filename;
    std::string content;
};

class Endpoints {
public:
    // `limitReached` is told, in one French line, of every request a limit refused.
    Endpoints(Store& db, std::string imagesDir, Clock clock, ServiceLimits limits = {},
              std::function<void(const std::string&)> limitReached = {});

    std::string infoEquip(const Caller& caller, const QueryParams& p);
    std::string infoStruct(const Caller& caller, const QueryParams& p);
    std::string infoVO(const Caller& caller, const QueryParams& p);
    std::string infoCL(const Caller& caller, const QueryParams& p);
    std::string query(const Caller& caller, const QueryParams& p);
    // "AxRelances": the reminders due to the caller (see Reminders.h).
    std::string reminders(const Caller& caller, const QueryParams& p);
    // "AxUpdate" and "AxInsert" given as GET: one INSERT, UPDATE or DELETE.
    // An insert to "AxInsert" with an "InsertKey" is stored once whatever
    // the number of times it is sent: a repeat answers what the first one
    // stored, with "Replayed" set to "True".
    std::string execute(const Caller& caller, const QueryParams& p, const std::string& endpoint);
    // The photo upload to "AxInsert": the link row and both files, all or
    // nothing; the files must be the named photo of the vehicle of the row.
    std::string upload(const Caller& caller, const std::vector<FormPart>& parts);
    // "AxHistory": the changes of a record (Table=tVehicles or tClients, Key=
    // its key) with those of its lines, or of one line (Table=its table),
    // as "HistoryS"/"History" rows, newest first.
    std::string history(const Caller& caller, const QueryParams& p);
    // Development stand-in of the text-message gateway: records the message.
    std::string sendSms(const Caller& caller, const std::vector<FormPart>& parts);

    // Today as "dd/mm/yyyy" by the service's clock.
    std::string today() const;

    // The dealership of the user a request acts for ("" when the user is not known).
    std::string dealershipOf(const Caller& caller);
    // A session of the store acting for the caller (see Session::actFor).
    Store::Lease session(const Caller& caller);

private:
    using Extra = std::vector<std::pair<std::string, std::string>>;
    // What a write of the caller must pass before it runs: the sweep limited to
    // the caller's dealership, every text within its field's length. "" or why not.
    std::string prepareWrite(const Caller& caller, Session& s, TranslatedSql& sql);
    // The refusal answer of a limit, told to the log.
    std::string limitFailure(const std::string& endpoint, const std::string& why);
    void writeUser(XmlAnswer& out, Session& s, const std::string& userId, std::string& concession);
    void writeRows(XmlAnswer& out, const std::string& section, const std::string& item, const ResultSet& rows,
                   const Extra& extra = {});
    std::string runWrite(Session& s, const Caller& caller, const TranslatedSql& sql, const std::string& root,
                         const Session::BeforeStatement& check = {});
    // A write of the client with the record of its changes, in one transaction;
    // `also` runs before the commit too, `check` (the rights) before the statement.
    Outcome recordedWrite(Session& s, const Caller& caller, const TranslatedSql& sql,
                          const Session::BeforeCommit& also = {}, const Session::BeforeStatement& check = {});
    std::string writeAnswer(Session& s, const TranslatedSql& sql, const std::string& root, const Outcome& o,
                            bool replayed, const Extra& outParams = {});
    std::string keyedInsert(const Caller& caller, Session& s, const TranslatedSql& sql, const std::string& key,
                            const Session::BeforeStatement& check);
    // Now, UTC "yyyy-mm-dd hh:mm:ss", by the service's clock.
    std::string nowUtc() const;

    Store& db_;
    std::string imagesDir_;
    Clock clock_;
    WriteGate gate_;
    ServiceLimits limits_;
    std::function<void(const std::string&)> limitReached_;
    FieldLengths lengths_;
};


}  // namespace stanor::dataservice
