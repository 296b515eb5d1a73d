#pragma once
// What the customer's action and vehicle grids ask of the form besides the
// record view and the editing handlers.

#include <QString>

#include <functional>

namespace stanor::grids {

struct FollowUpHost {
    // The form's save; true when it may go on.
    std::function<bool()> SaveChanges;
    // Loads the record again (its grids included).
    std::function<void()> JvXPBtnActualizeClick;
    // Remembered choices of the program's settings ("sAct" + column).
    std::function<QString(const QString& name)> GetTagRegistry;
    std::function<void(const QString& name, const QString& value)> SetTagRegistry;
    // Saves until nothing is pending; false when something stays (the warning says why).
    std::function<bool()> SaveAll;
};

}  // namespace stanor::grids
