#pragma once
// Long photo work (reducing a camera photo, sending it by FTP) run on a worker thread while the
// window goes on painting. The photo page calls, under its hourglass:
//
//   runKeepingEventsProcessed([&] {
//       reduceAndTransfer(source, nullptr, name, options, transfer ? &endpoint : nullptr);
//   });
//
// with options.memo = memoOnThreadOf(Memo, [&](const QString& line) { Memo->appendPlainText(line); }).

#include <QObject>
#include <QString>

#include <functional>
#include <string>

namespace stanor::images {

// Runs `work` on a worker thread and returns once it is done, raising on this thread what it
// raised. Meanwhile this thread's events are processed: the window repaints and timers tick.
// User input (clicks, keys) waits until the work is done unless `userInput` is true, so that a
// second click cannot start the same work again.
void runKeepingEventsProcessed(const std::function<void()>& work, bool userInput = false);

// A memo callback that may be called from any thread: each line goes, in order, to `show` on
// the program's main thread, where `receiver` lives (and is dropped once it is destroyed).
std::function<void(const std::string&)> memoOnThreadOf(QObject* receiver,
                                                       std::function<void(const QString&)> show);

}  // namespace stanor::images
