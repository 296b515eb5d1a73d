#include "images/BackgroundWork.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QPointer>

#include <exception>
#include <thread>

namespace stanor::images {

void runKeepingEventsProcessed(const std::function<void()>& work, bool userInput) {
    QEventLoop loop;
    std::exception_ptr error;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        // Queued: when the work ends before the loop runs, the loop ends as soon as it starts.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(userInput ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    worker.join();
    if (error) std::rethrow_exception(error);
}

std::function<void(const std::string&)> memoOnThreadOf(QObject* receiver, std::function<void(const QString&)> show) {
    // The receiver is looked at on the program's main thread only, where it is destroyed too.
    QPointer<QObject> target(receiver);
    return [target, show](const std::string& line) {
        const QString text = QString::fromStdString(line);
        QMetaObject::invokeMethod(QCoreApplication::instance(), [target, show, text] {
            if (target) show(text);
        }, Qt::QueuedConnection);
    };
}

}  // namespace stanor::images
