#include "tools/work_in_child.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iostream>

namespace ca::batch {
namespace {

constexpr int kEndSignals[] = {SIGINT, SIGTERM, SIGHUP};

int reportFd = -1;  // in the child: the pipe to the waiting process
volatile sig_atomic_t workPid = 0;  // in the waiting process: the child

// The waiting process hands an interrupt or an end on to the child and goes
// on waiting: the command ends, by the same signal, once the child has
// cleared up and ended.
extern "C" void ForwardToWork(int sig) {
    if (workPid > 0) ::kill(workPid, sig);
}

// Ends this process as the child ended: with its exit status, or by its signal.
[[noreturn]] void EndAs(int waitStatus) {
    if (WIFSIGNALED(waitStatus)) {
        const int sig = WTERMSIG(waitStatus);
        // The child's core, where one was written, is the one to read: this
        // process writes none of its own.
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        ::signal(sig, SIG_DFL);
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, sig);
        sigprocmask(SIG_UNBLOCK, &set, nullptr);
        ::raise(sig);
        _exit(128 + sig);
    }
    _exit(WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : 1);
}

// `fd` moved above the standard streams (a caller may have closed some of
// them, and the numbers the pipe takes must not stand in for them), or -1.
int AboveStandardStreams(int fd) {
    if (fd < 0 || fd > 2) return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    return moved;
}

sigset_t EndSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : kEndSignals) sigaddset(&set, sig);
    return set;
}

bool Ignored(int sig) {
    struct sigaction now {};
    return ::sigaction(sig, nullptr, &now) == 0 && now.sa_handler == SIG_IGN;
}

}  // namespace

void HandleEndSignals(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_mask = EndSignals();
    for (int sig : kEndSignals)
        if (!Ignored(sig)) ::sigaction(sig, &action, nullptr);
}

void ContinueInChild() {
    // A caller may hand down SIGCHLD ignored, which would leave the child's
    // end unknowable here.
    ::signal(SIGCHLD, SIG_DFL);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    fds[0] = AboveStandardStreams(fds[0]);
    fds[1] = AboveStandardStreams(fds[1]);
    if (fds[0] < 0 || fds[1] < 0) {
        if (fds[0] >= 0) ::close(fds[0]);
        if (fds[1] >= 0) ::close(fds[1]);
        return;
    }
    // The signals to hand on are held from before the fork until the
    // waiting process can hand them on: one that comes in between is not lost.
    const sigset_t handedOn = EndSignals();
    sigset_t callers;
    sigprocmask(SIG_BLOCK, &handedOn, &callers);
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child < 0) {
        sigprocmask(SIG_SETMASK, &callers, nullptr);
        ::close(fds[0]);
        ::close(fds[1]);
        return;
    }
    if (child == 0) {
        ::close(fds[0]);
        // Should the command end without handing on (SIGKILL), the work ends
        // with it: by SIGTERM so that it can clear up, or by SIGKILL where the
        // caller has SIGTERM ignored or blocked. A parent already gone waits
        // for nothing.
        const bool termHeld = Ignored(SIGTERM) || sigismember(&callers, SIGTERM) == 1;
        ::prctl(PR_SET_PDEATHSIG, termHeld ? SIGKILL : SIGTERM);
        sigprocmask(SIG_SETMASK, &callers, nullptr);
        if (::getppid() != parent) _exit(1);
        reportFd = fds[1];
        return;
    }
    ::close(fds[1]);
    workPid = child;
    HandleEndSignals(ForwardToWork);
    sigprocmask(SIG_SETMASK, &callers, nullptr);
    unsigned char status = 0;
    ssize_t r;
    do r = ::read(fds[0], &status, 1);
    while (r < 0 && errno == EINTR);
    if (r == 1) _exit(status);
    int waitStatus = 0;
    pid_t ended;
    do ended = ::waitpid(child, &waitStatus, 0);
    while (ended < 0 && errno == EINTR);
    if (ended != child) _exit(1);  // its end unknown: not a success
    EndAs(waitStatus);
}

void ReportFinished(int status) {
    if (reportFd < 0) return;
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    // From here the process may outlive the command: it has nothing left to do.
    ::prctl(PR_SET_PDEATHSIG, 0);
    ::signal(SIGPIPE, SIG_IGN);
    const unsigned char s = static_cast<unsigned char>(status);
    ssize_t r;
    do r = ::write(reportFd, &s, 1);
    while (r < 0 && errno == EINTR);
    ::close(reportFd);
    reportFd = -1;
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    for (int fd = 0; fd <= 2; ++fd) {
        if (null >= 0) ::dup2(null, fd);
        else ::close(fd);
    }
    if (null > 2) ::close(null);
}

}  // namespace ca::batch
