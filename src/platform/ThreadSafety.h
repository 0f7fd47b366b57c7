#pragma once

#include <mutex>

// Lock annotations for clang's thread-safety analysis (-Wthread-safety, on in
// the clang build for the modules that use the survey store): a field marked
// ORV_GUARDED_BY(mutex) may only be read or written with that mutex held, a
// function marked ORV_REQUIRES(mutex) only be called with it held, and the
// build fails where that cannot be shown. Other compilers ignore them.
#if defined(__clang__)
#define ORV_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define ORV_THREAD_ANNOTATION(x)
#endif

#define ORV_CAPABILITY(x) ORV_THREAD_ANNOTATION(capability(x))
#define ORV_SCOPED_CAPABILITY ORV_THREAD_ANNOTATION(scoped_lockable)
#define ORV_GUARDED_BY(x) ORV_THREAD_ANNOTATION(guarded_by(x))
#define ORV_REQUIRES(...) ORV_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define ORV_ACQUIRE(...) ORV_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define ORV_RELEASE(...) ORV_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define ORV_RETURN_CAPABILITY(x) ORV_THREAD_ANNOTATION(lock_returned(x))
#define ORV_NO_THREAD_SAFETY_ANALYSIS ORV_THREAD_ANNOTATION(no_thread_safety_analysis)

// A mutex the analysis knows. It is a std::mutex, so code the analysis does
// not check can still lock it with std::lock_guard or std::unique_lock.
class ORV_CAPABILITY("mutex") CCheckedMutex : public std::mutex {
public:
    void lock() ORV_ACQUIRE() { std::mutex::lock(); }
    void unlock() ORV_RELEASE() { std::mutex::unlock(); }
};

// Holds a CCheckedMutex for its scope; the analysis sees the lock taken here
// and given back at the end of the scope (std::lock_guard and
// std::unique_lock carry no annotations, so it cannot see theirs).
class ORV_SCOPED_CAPABILITY CCheckedLock {
public:
    explicit CCheckedLock(CCheckedMutex& mutex) ORV_ACQUIRE(mutex) : m_mutex(mutex) {
        m_mutex.lock();
    }
    ~CCheckedLock() ORV_RELEASE() { m_mutex.unlock(); }

    CCheckedLock(const CCheckedLock&) = delete;
    CCheckedLock& operator=(const CCheckedLock&) = delete;

private:
    CCheckedMutex& m_mutex;
};
