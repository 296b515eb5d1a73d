#pragma once
// The clock ("now", "today"), injectable so that tests never wait on wall-clock time.

#include <QDateTime>

namespace stanor::platform {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// A clock that tests set and advance by hand.
class ManualClock final : public Clock {
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 1, 15), QTime(10, 0, 0)))
        : now_(std::move(start)) {}
    QDateTime now() const override { return now_; }
    void set(const QDateTime& t) { now_ = t; }
    void advanceSecs(qint64 s) { now_ = now_.addSecs(s); }
private:
    QDateTime now_;
};

}  // namespace stanor::platform
