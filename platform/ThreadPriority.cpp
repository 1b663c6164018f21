#include "ThreadPriority.h"

#include <pthread.h>
#include <sched.h>

namespace halvora::platform {

int raiseCurrentThreadPriority()
{
    sched_param parameters{};
    parameters.sched_priority = sched_get_priority_min(SCHED_FIFO);
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &parameters);
}

} // namespace halvora::platform
