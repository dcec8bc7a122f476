#pragma once
// Qt's event queue is built without ThreadSanitizer, so the sanitizer cannot see that an
// object made on one thread and posted as (or inside) an event is handed whole to the
// thread that receives it, and reports every later use there as a race. HandOver, called
// after the object is complete and before it is posted, and TakeOver, called by the
// receiver before it looks at the object, tell it. Outside sanitizer builds both are empty.
#if defined(__SANITIZE_THREAD__)
#define DABRIX_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define DABRIX_THREAD_SANITIZER 1
#endif
#endif

#ifdef DABRIX_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

namespace dabrix::platform {

inline void HandOver([[maybe_unused]] const void* object)
{
#ifdef DABRIX_THREAD_SANITIZER
    __tsan_release(const_cast<void*>(object));
#endif
}

inline void TakeOver([[maybe_unused]] const void* object)
{
#ifdef DABRIX_THREAD_SANITIZER
    __tsan_acquire(const_cast<void*>(object));
#endif
}

} // namespace dabrix::platform
