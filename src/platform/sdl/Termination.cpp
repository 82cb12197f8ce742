#include "platform/sdl/DialogHelperWatch.h"

#include <atomic>

#ifdef _WIN32
// Windows has no termination signals: Ctrl+C, Ctrl+Break and closing the console (or logging off,
// or shutting down) reach a console program as control events, each on a thread of its own. They
// request termination as the signals do on Linux. A dialog is shown by the demo's own thread, in
// this process, so there is no helper to end: the handler closes the dialog instead.
#include <windows.h>

namespace tepple {

namespace {

std::atomic<int> terminationRequested{0};
std::atomic<DWORD> dialogThread{0};
int installCount = 0;

BOOL CALLBACK closeDialog(HWND window, LPARAM)
{
    // DefDlgProc turns a close into the dialog's cancel command, which ends it.
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

BOOL WINAPI onControlEvent(DWORD event)
{
    terminationRequested.store(1);
    const DWORD thread = dialogThread.load();
    if (thread != 0) ::EnumThreadWindows(thread, closeDialog, 0);
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    // For the other events Windows ends the process as soon as the handler returns; waiting here
    // lets the demo's thread stop the music and return from main, whose status ends the process.
    // Windows ends it anyway after a few seconds.
    ::Sleep(INFINITE);
    return TRUE;
}

} // namespace

TerminationSignals::TerminationSignals()
{
    if (installCount++ > 0) return;
    terminationRequested.store(0);
    ::SetConsoleCtrlHandler(onControlEvent, TRUE);
}

TerminationSignals::~TerminationSignals()
{
    if (--installCount > 0) return;
    ::SetConsoleCtrlHandler(onControlEvent, FALSE);
}

bool TerminationSignals::requested() { return terminationRequested.load() != 0; }

DialogHelperWatch::DialogHelperWatch() { dialogThread.store(::GetCurrentThreadId()); }

DialogHelperWatch::~DialogHelperWatch() { dialogThread.store(0); }

} // namespace tepple

#else
#include <cerrno>
#include <csignal>
#include <new>

#include <pthread.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/types.h>
#include <unistd.h>

namespace tepple {

namespace {

constexpr int handledSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int signalCount = sizeof handledSignals / sizeof handledSignals[0];

// Shared between the demo and its dialog helper, which only learns of a termination request
// through memory both see. Each writes its own field before reading the other's, so whichever
// comes second acts: the handler kills a helper already known, or the helper sees the request.
struct SharedState {
    std::atomic<int> terminationRequested{0};
    std::atomic<pid_t> helper{0};
};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<pid_t>::is_always_lock_free,
              "signal handlers and another process use these fields");

SharedState fallbackState; // should a shared page be refused: the helper is then only killed
SharedState* state = nullptr;
int installCount = 0;
struct sigaction previous[signalCount];

// Read by the fork handler in the child, which has a copy of them.
volatile bool watchingForks = false;
pid_t demoPid = 0;

void onTermination(int)
{
    const int savedErrno = errno;
    state->terminationRequested.store(1);
    const pid_t helper = state->helper.load();
    if (helper > 0) ::kill(helper, SIGKILL);
    errno = savedErrno;
}

// Runs in every child forked by this process, with only async-signal-safe calls, as a child of
// a process with threads must.
void afterForkInChild()
{
    if (!watchingForks) return;
    watchingForks = false;
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    for (int signal : handledSignals) ::sigaction(signal, &byDefault, nullptr);
    // The demo may have died before the line above took effect.
    if (::getppid() != demoPid) ::_exit(1);
    state->helper.store(::getpid());
    if (state->terminationRequested.load() != 0) ::_exit(1);
}

SharedState* makeSharedState()
{
    void* page = ::mmap(nullptr, sizeof(SharedState), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS,
                        -1, 0);
    if (page == MAP_FAILED) return &fallbackState;
    return new (page) SharedState;
}

} // namespace

TerminationSignals::TerminationSignals()
{
    if (installCount++ > 0) return;
    if (state == nullptr) {
        state = makeSharedState();
        ::pthread_atfork(nullptr, nullptr, afterForkInChild);
    }
    state->terminationRequested.store(0);
    state->helper.store(0);
    struct sigaction action {};
    action.sa_handler = onTermination;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < signalCount; ++i) ::sigaction(handledSignals[i], &action, &previous[i]);
}

TerminationSignals::~TerminationSignals()
{
    if (--installCount > 0) return;
    for (int i = 0; i < signalCount; ++i) ::sigaction(handledSignals[i], &previous[i], nullptr);
}

bool TerminationSignals::requested() { return state != nullptr && state->terminationRequested.load() != 0; }

DialogHelperWatch::DialogHelperWatch()
{
    // signals_, constructed first, has made the shared state.
    demoPid = ::getpid();
    state->helper.store(0);
    watchingForks = true;
}

DialogHelperWatch::~DialogHelperWatch()
{
    watchingForks = false;
    state->helper.store(0);
}

} // namespace tepple
#endif
