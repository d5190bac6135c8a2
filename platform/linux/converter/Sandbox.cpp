#include "platform/linux/converter/Sandbox.h"

#include <sched.h>
#include <seccomp.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace {

// What decoding needs once the image is in memory: the descriptors held, memory, threads,
// clocks, and the ways out. Found by running the converter over the test images under strace.
constexpr int kAllowed[] = {
    SCMP_SYS(read),
    SCMP_SYS(pread64),
    SCMP_SYS(readv),
    SCMP_SYS(write),
    SCMP_SYS(pwrite64),
    SCMP_SYS(writev),
    SCMP_SYS(lseek),
    SCMP_SYS(close),
    SCMP_SYS(fstat),
    SCMP_SYS(newfstatat),
    SCMP_SYS(statx),
    SCMP_SYS(fsync),
    SCMP_SYS(fdatasync),
    SCMP_SYS(sync_file_range),
    SCMP_SYS(fcntl),
    SCMP_SYS(mmap),
    SCMP_SYS(munmap),
    SCMP_SYS(mremap),
    SCMP_SYS(mprotect),
    SCMP_SYS(madvise),
    SCMP_SYS(brk),
    SCMP_SYS(futex),
    SCMP_SYS(set_robust_list),
    SCMP_SYS(rseq),
    SCMP_SYS(sched_yield),
    SCMP_SYS(sched_getaffinity),
    // Qt converts large pictures on a pool of threads, each making an event notifier (a counter
    // of its own, reaching nothing outside the process); refused, the thread would abort.
    SCMP_SYS(eventfd2),
    SCMP_SYS(getrandom),
    SCMP_SYS(rt_sigprocmask),
    SCMP_SYS(rt_sigaction),
    SCMP_SYS(rt_sigreturn),
    SCMP_SYS(sigaltstack),
    SCMP_SYS(clock_gettime),
    SCMP_SYS(clock_nanosleep),
    SCMP_SYS(nanosleep),
    SCMP_SYS(gettimeofday),
    SCMP_SYS(getpid),
    SCMP_SYS(gettid),
    SCMP_SYS(sysinfo),
    SCMP_SYS(exit),
    SCMP_SYS(exit_group),
};

// Asked for by library code that copes with a refusal: the answer is "not permitted", so that a
// decoder trying to open a file reports a clean failure.
constexpr int kRefused[] = {
    SCMP_SYS(open),   SCMP_SYS(openat),    SCMP_SYS(openat2),    SCMP_SYS(creat),
    SCMP_SYS(ioctl),  SCMP_SYS(prctl),     SCMP_SYS(readlink),   SCMP_SYS(readlinkat),
    SCMP_SYS(access), SCMP_SYS(faccessat), SCMP_SYS(faccessat2), SCMP_SYS(getcwd),
};

constexpr unsigned kThreadFlags =
    CLONE_VM | CLONE_FS | CLONE_FILES | CLONE_SIGHAND | CLONE_THREAD | CLONE_SYSVSEM;

using Filter = std::unique_ptr<void, decltype(&seccomp_release)>;

bool Allow(scmp_filter_ctx filter) {
    for (const int call : kAllowed) {
        if (seccomp_rule_add(filter, SCMP_ACT_ALLOW, call, 0) != 0) {
            return false;
        }
    }
    return true;
}

bool Refuse(scmp_filter_ctx filter) {
    for (const int call : kRefused) {
        if (seccomp_rule_add(filter, SCMP_ACT_ERRNO(EPERM), call, 0) != 0) {
            return false;
        }
    }
    return true;
}

// Threads only: a new process could leave the filter's reach through another program's rights.
// clone3 passes its flags in memory the filter cannot read; told it does not exist, the C library
// falls back to clone.
bool AllowThreads(scmp_filter_ctx filter) {
    return seccomp_rule_add(filter, SCMP_ACT_ALLOW, SCMP_SYS(clone), 1,
                            SCMP_A0(SCMP_CMP_MASKED_EQ, kThreadFlags, kThreadFlags)) == 0 &&
           seccomp_rule_add(filter, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0) == 0;
}

// abort() and raise() signal this process; no other process may be signalled.
bool AllowSignalsToSelf(scmp_filter_ctx filter) {
    const auto self = static_cast<scmp_datum_t>(getpid());
    return seccomp_rule_add(filter, SCMP_ACT_ALLOW, SCMP_SYS(tgkill), 1,
                            SCMP_A0(SCMP_CMP_EQ, self)) == 0 &&
           seccomp_rule_add(filter, SCMP_ACT_ALLOW, SCMP_SYS(kill), 1,
                            SCMP_A0(SCMP_CMP_EQ, self)) == 0;
}

// Everything else (programs, sockets, ptrace, new namespaces, mounts...) ends the process: no
// decoder asks for them, so a call is taken for an exploit, and the program reports the change
// as failed. All threads, present and future, are bound.
bool InstallFilter() {
    const Filter filter(seccomp_init(SCMP_ACT_KILL_PROCESS), seccomp_release);
    return filter && seccomp_attr_set(filter.get(), SCMP_FLTATR_CTL_TSYNC, 1) == 0 &&
           Allow(filter.get()) && Refuse(filter.get()) && AllowThreads(filter.get()) &&
           AllowSignalsToSelf(filter.get()) && seccomp_load(filter.get()) == 0;
}

// The root becomes an empty, read-only folder; nothing of the user's files stays reachable.
void LeaveFileSystem() {
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("none", "/tmp", "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC | MS_RDONLY,
              "size=0,mode=0555") != 0 ||
        chdir("/tmp") != 0 || syscall(SYS_pivot_root, ".", ".") != 0) {
        return;
    }
    umount2(".", MNT_DETACH);
}

// Where the system lets unprivileged users have namespaces; elsewhere the filter alone holds.
void EnterEmptyNamespaces() {
    if (unshare(CLONE_NEWUSER | CLONE_NEWNET | CLONE_NEWNS | CLONE_NEWIPC) == 0) {
        LeaveFileSystem();
    }
}

}  // namespace

bool LockDown(int lastKept) {
    // Should the program be gone already, the output pipe has no reader and the first write ends
    // the converter.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    close_range(static_cast<unsigned>(lastKept) + 1, ~0U, 0);
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        return false;
    }
    EnterEmptyNamespaces();
    return InstallFilter();
}
