#include "search/HitStepper.h"

#include "pages/RecordView.h"

#include <QAbstractButton>

namespace stanor::search {

HitStepper::HitStepper(pages::RecordView& view, QAbstractButton* next, QAbstractButton* prev,
                       std::function<void()> reload)
    : QObject(&view), view_(view), next_(next), prev_(prev), reload_(std::move(reload)) {
    if (next_) connect(next_, &QAbstractButton::clicked, this, [this] { openHit(current_ + 1); });
    if (prev_) connect(prev_, &QAbstractButton::clicked, this, [this] { openHit(current_ - 1); });
}

void HitStepper::bind(SearchHost& host) {
    host.setHits = [this](const QStringList& ids, bool customers) {
        ids_ = ids;
        customers_ = customers;
        current_ = -1;
    };
    host.selectHit = [this](int row) {
        if (row < 0 || row >= ids_.size()) return;
        current_ = row;
        follow();
    };
    host.currentHit = [this] { return current_; };
    host.openHit = [this](int row) { return openHit(row); };
}

bool HitStepper::openHit(int row) {
    if (row < 0 || row >= ids_.size()) return false;
    const QString label = customers_ ? QStringLiteral("LbIDCustomer") : QStringLiteral("LbIdTVO");
    view_.form().setCaption(label, ids_[row]);
    view_.state().FlagNewEnreg = false;
    if (reload_) reload_();
    current_ = row;
    follow();
    return view_.state().RecordLoaded;
}

void HitStepper::follow() {
    if (next_) next_->setEnabled(current_ >= 0 && current_ < ids_.size() - 1);
    if (prev_) prev_->setEnabled(current_ > 0 && current_ < ids_.size());
}

}  // namespace stanor::search
