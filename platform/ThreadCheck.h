#pragma once

// Tells ThreadSanitizer about a hand-over between threads that happens inside
// a library it cannot see into (Qt is not built with it): the thread that
// hands data over calls handOver(token) before, the thread that takes it
// calls tookOver(token) after. Costs nothing in other builds.

#if defined(__SANITIZE_THREAD__)
#define KIV_THREAD_CHECK 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KIV_THREAD_CHECK 1
#endif
#endif

#ifdef KIV_THREAD_CHECK
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace kiv::threadcheck {

inline void handOver([[maybe_unused]] const void* token) {
#ifdef KIV_THREAD_CHECK
  __tsan_release(const_cast<void*>(token));
#endif
}

inline void tookOver([[maybe_unused]] const void* token) {
#ifdef KIV_THREAD_CHECK
  __tsan_acquire(const_cast<void*>(token));
#endif
}

}  // namespace kiv::threadcheck
