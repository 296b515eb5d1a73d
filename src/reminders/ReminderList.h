#pragma once
// The reminders a salesperson has to follow up today, as the data service
// answers them ("AxRelances") and as the reminders list shows them: one row
// per reminder, oldest first, with the customer's name and phones, the
// subject and priority of the reminder by their list entries, the comment
// and the days it is overdue.

#include "grids/ActionLines.h"

#include <QString>

#include <vector>

namespace stanor::reminders {

struct ReminderRow {
    QString idAction;
    QString idClient;
    QString date;       // "dd/mm/yyyy", the reminder's date
    int daysLate = 0;   // 0 when due today
    QString customer;   // "M. DUPONT Jean"
    QString phones;     // "06 12 34 56 78 · 03 20 12 34 56"
    QString subject;    // the reminder's subject, by its list entry
    QString priority;
    QString comment;    // the action's comment, on one line
};

struct ReminderList {
    QString idCom;        // the salesperson the list is for ("" for a site, or a user who is none)
    QString salesperson;  // their name
    QString site;         // the site the list is for, when one was asked
    QString now;          // the service's date
    int count = 0;        // reminders listed
    bool more = false;    // more are due than listed
    std::vector<ReminderRow> rows;
    QString error;        // the answer's error items, when it has any
};

// Reads the answer; list entries and salespeople from the reference lists.
ReminderList ReadReminders(const QString& answer, const grids::ActionLists& lists);

// The caption of the toolbar command: "Relances", with the count once
// known ("Relances (3)", "Relances (500+)" when more are due than listed).
QString RemindersCaption(int count, bool more);

// "aujourd'hui", "hier", "depuis 6 jours".
QString LateText(int daysLate);

// The title of the list: whose reminders, how many.
QString RemindersTitle(const ReminderList& list);

}  // namespace stanor::reminders
