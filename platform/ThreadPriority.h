#pragma once

namespace halvora::platform {

// Moves the calling thread into the lowest real-time scheduling class, for a thread
// that must keep a device fed. Only this thread changes, never the whole process,
// and only where the system permits it (on Linux: CAP_SYS_NICE or an RLIMIT_RTPRIO
// above zero). Returns 0, or the system's error code when the thread stays as it was.
int raiseCurrentThreadPriority();

} // namespace halvora::platform
