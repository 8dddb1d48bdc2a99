#include "corvex/platform/program_guards.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "corvex/platform/temporary_files.h"

namespace corvex::platform {

namespace {

std::atomic<unsigned> closed_at_start{0};  // bit n: descriptor n was closed

void end_on_signal(int signal_number) {
    const int saved = errno;
    remove_registered_temporary_files();
    // End as the signal would have, so the parent sees why.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal_number, &fallback, nullptr);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, signal_number);
    ::pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
    ::raise(signal_number);
    errno = saved;
}

}  // namespace

void guard_program() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // open() takes the lowest free number, which is this one.
        const int held = ::open("/dev/null", O_PATH);
        if (held == fd) {
            closed_at_start.fetch_or(1u << fd);
        } else if (held >= 0) {
            ::close(held);
        }
    }

    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, nullptr);
    // A write beyond the file-size limit then fails with EFBIG, reported like a full disk.
    ::sigaction(SIGXFSZ, &ignore, nullptr);

    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        // A signal ignored by whoever started us (nohup, a background job) stays ignored.
        if (::sigaction(signal_number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
        struct sigaction cleanup {};
        cleanup.sa_handler = end_on_signal;
        sigemptyset(&cleanup.sa_mask);
        // One cleanup at a time: the others wait until the first has ended the process.
        for (const int other : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&cleanup.sa_mask, other);
        ::sigaction(signal_number, &cleanup, nullptr);
    }
}

bool standard_descriptor_closed_at_start(int fd) noexcept {
    return fd >= 0 && fd <= 2 && (closed_at_start.load() & (1u << fd)) != 0;
}

}  // namespace corvex::platform
