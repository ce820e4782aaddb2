#pragma once

#include <functional>

namespace vexa::test {

// Runs the event loop until done() or the timeout (milliseconds); the result
// of done(). For results that arrive from worker threads.
bool WaitUntil(const std::function<bool()> &done, int timeoutMs = 10000);

}  // namespace vexa::test
