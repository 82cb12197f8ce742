#include "pixels/Clock.h"

namespace tepple {

void Timer::start()
{
    started_ = true;
    startSeconds_ = clock_.seconds();
    lastDeltaSeconds_ = startSeconds_;
}

double Timer::time()
{
    return started_ ? clock_.seconds() - startSeconds_ : 0.0;
}

double Timer::delta()
{
    if (!started_) return 0.0;
    const double now = clock_.seconds();
    const double elapsed = now - lastDeltaSeconds_;
    lastDeltaSeconds_ = now;
    return elapsed;
}

} // namespace tepple
