#pragma once
// The "Historique" window: the changes of the record shown, newest first,
// with their date, author, field, old and new value, filtered by field or
// by user. It does not block the form and closes with Escape.

#include "records/RecordHistory.h"

#include <QDialog>

class QComboBox;
class QTableWidget;

namespace stanor::records {

class HistoryWindow : public QDialog {
public:
    HistoryWindow(QWidget* parent, const QString& title, std::vector<HistoryLine> lines);

    // The window of a form, when one is open.
    static HistoryWindow* of(QWidget* form);

    QComboBox* fieldFilter() const { return field_; }
    QComboBox* userFilter() const { return user_; }
    QTableWidget* list() const { return list_; }

private:
    void refill();

    std::vector<HistoryLine> lines_;
    QComboBox* field_ = nullptr;
    QComboBox* user_ = nullptr;
    QTableWidget* list_ = nullptr;
};

}  // namespace stanor::records
