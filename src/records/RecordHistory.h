#pragma once
// The changes of a record as the data service keeps them ("AxHistory"),
// made readable: each change with its local date, its author, the caption
// of its field from the tab descriptions (a line's field says which line),
// the old and the new value; and the filters of the history window.

#include "pages/TabModel.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

namespace stanor::records {

struct HistoryLine {
    QDateTime When;  // UTC
    QString UserName;
    QString Table, Key, Column;
    QString OldValue, NewValue;
    QString Caption;  // filled by CaptionHistory
};

// The rows of an "AxHistory" answer, newest first as answered.
std::vector<HistoryLine> ReadHistoryAnswer(const QString& answerText);

// Gives each line the caption of its field in the record's pages (the
// field's name when no page describes it); a line of a cost line, an
// action, a customer vehicle or a photo link names it: "Montant HT (frais 12)".
void CaptionHistory(std::vector<HistoryLine>& lines, const pages::Pages& pages,
                    const QString& recordTable);

// The lines of one field caption and of one user ("" for any).
std::vector<HistoryLine> FilterHistory(const std::vector<HistoryLine>& lines, const QString& caption,
                                       const QString& userName);

// The captions and user names of the lines, each once, sorted.
QStringList HistoryCaptions(const std::vector<HistoryLine>& lines);
QStringList HistoryUsers(const std::vector<HistoryLine>& lines);

}  // namespace stanor::records
