#include "StopSignals.h"

#include <csignal>
#include <initializer_list>

namespace tepple {

namespace {

volatile std::sig_atomic_t caught = 0;

extern "C" void recordStop(int signal)
{
    if (caught == 0) caught = signal;
}

} // namespace

void catchStopSignals()
{
    struct sigaction action = {};
    action.sa_handler = recordStop;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

int stopSignal()
{
    return caught;
}

} // namespace tepple
