#pragma once
// Opens the hits of the last search and steps through them with the next
// and previous buttons, for a form without record commands of its own.

#include "search/SearchHost.h"

#include <QObject>
#include <QStringList>
#include <functional>

class QAbstractButton;

namespace stanor::pages {
class RecordView;
}

namespace stanor::search {

class HitStepper : public QObject {
    Q_OBJECT
public:
    // reload loads the record the identifier labels name.
    HitStepper(pages::RecordView& view, QAbstractButton* next, QAbstractButton* prev, std::function<void()> reload);

    // Points the host's hit hooks at this stepper.
    void bind(SearchHost& host);

    bool openHit(int row);

private:
    void follow();

    pages::RecordView& view_;
    QAbstractButton* next_;
    QAbstractButton* prev_;
    std::function<void()> reload_;
    QStringList ids_;
    bool customers_ = false;
    int current_ = -1;
};

}  // namespace stanor::search
