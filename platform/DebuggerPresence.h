#pragma once

namespace halvora::platform {

// Whether a debugger is attached to this process (on Linux: a tracer in /proc/self/status).
bool isDebuggerAttached();

} // namespace halvora::platform
