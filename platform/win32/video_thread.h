// Work only the thread that owns the display may do (everything that calls SDL), asked for from
// any thread.
#pragma once

#include <functional>

namespace Platform
{
// Runs `call` on the thread that owns the display (the one that opened it; before that, or
// without one, the process's main thread) and returns when it has finished. That thread runs such
// calls whenever it looks at its message queue (PeekMessageA, GetMessageA), as Windows delivers
// the messages other threads send to it; on that thread itself the call runs at once. What the
// call throws is thrown here.
void CallOnVideoThread(const std::function<void()>& call);
} // namespace Platform
