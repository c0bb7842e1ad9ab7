#pragma once

// ThreadSanitizer sees only the code built with it. The ordering Qt's own libraries give a
// hand-over between threads (a task queued on a pool, a finished future) is invisible to it,
// so these two calls tell it: `handOver(p)` on the giving thread before the hand-over,
// `takeOver(p)` on the receiving thread after it. Elsewhere they compile to nothing.

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void *address);
extern "C" void __tsan_release(void *address);
#endif

namespace telvora::ThreadHandOff {

inline void handOver([[maybe_unused]] const void *address)
{
#if defined(__SANITIZE_THREAD__)
    __tsan_release(const_cast<void *>(address));
#endif
}

inline void takeOver([[maybe_unused]] const void *address)
{
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(const_cast<void *>(address));
#endif
}

} // namespace telvora::ThreadHandOff
