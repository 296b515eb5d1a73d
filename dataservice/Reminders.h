#pragma once
// The reminders a salesperson has to follow up today ("AxRelances"): the
// actions whose reminder date is today or past, whose reminder salesperson is
// the one asked for, and that no other action of the same customer has
// followed up (an action of that customer dated on or after the reminder
// date handles it). Oldest first, with the customer's name and phones.
//
// The caller's own salesperson by default (tCommerciaux.idUser names the
// user who works as that salesperson); a super-administrator may ask for
// another salesperson (idCom=) or for every salesperson of a site (Site=).
// Only the caller's dealership is read.

#include "Caller.h"
#include "Store.h"
#include "TextCodec.h"

#include <optional>
#include <string>
#include <vector>

namespace stanor::dataservice {

// Rows answered at most; the answer says when more are due.
inline constexpr size_t kMaxReminders = 500;

// Each action keeps whether its reminder has been followed up
// (tActions.RelanceSuivie: an action of the same customer dated on or after
// the reminder date), kept by triggers whenever an action is added, moved
// or removed, so that a salesperson's due reminders are read from an index
// without looking at the reminders long handled. The statements that make
// the triggers and the index, in SQLite's dialect (the PostgreSQL import
// has its own).
const std::vector<std::string>& ReminderBookkeepingSql();
// The statement that sets every action's mark from its customer's actions.
const char* ReminderMarksSql();

// The whole answer body. `today` is the service's date as "dd/mm/yyyy".
std::string RemindersAnswer(Session& s, const Caller& caller, const QueryParams& p, const std::string& today);

// Days from the date `from` to the date `to`, both "dd/mm/yyyy" (or an ISO
// date); nothing when either is no date.
std::optional<long> DaysBetween(const std::string& from, const std::string& to);

}  // namespace stanor::dataservice
