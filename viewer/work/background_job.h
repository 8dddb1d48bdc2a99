// Work that runs off the window's thread: a thread of its own that can be
// asked to stop, and whose answer is handed back to the window's thread.
//
// The work returns what is to happen on the window's thread afterwards; that
// runs from the event loop of `context`'s thread, unless `context` has gone
// by then. The job must not outlive `context` (its owner, in practice).
// Destroying the job asks the work to stop and waits for it.
#pragma once

#include <functional>
#include <stop_token>
#include <thread>

class QObject;

namespace corvex::viewer {

class BackgroundJob {
public:
    using Then = std::function<void()>;
    using Work = std::function<Then(std::stop_token)>;

    BackgroundJob(QObject* context, Work work);
    ~BackgroundJob() = default;  // the thread is asked to stop and joined
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;

    void request_stop() { thread_.request_stop(); }

private:
    std::jthread thread_;
};

}  // namespace corvex::viewer
