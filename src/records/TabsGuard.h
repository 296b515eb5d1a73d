#pragma once
// The user's ways of changing the sheet of the tab control (a click on a
// tab, the arrow keys on the tab bar, the wheel over it, Ctrl+Tab and
// Ctrl+Page Up/Down) first ask whether the sheet may be left: a refusal
// keeps the sheet shown, the tab bar never switches. Sheets chosen by the
// program itself do not ask.

#include <QObject>
#include <functional>

class QTabWidget;

namespace stanor::records {

class TabsGuard : public QObject {
    Q_OBJECT
public:
    // changing answers whether the sheet shown may be left; changed runs
    // after the switch.
    TabsGuard(QTabWidget* tabs, std::function<bool()> changing, std::function<void()> changed);

    // Switches to the sheet at index when the sheet shown may be left; true
    // when the switch happened.
    bool requestSwitch(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The sheet a step of delta (+1 or -1) leads to, skipping hidden and
    // disabled tabs; -1 when none.
    int step(int delta, bool wrap) const;

    QTabWidget* tabs_;
    std::function<bool()> changing_;
    std::function<void()> changed_;
    bool asking_ = false;
};

}  // namespace stanor::records
