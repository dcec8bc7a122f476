#pragma once
// A re-entrant lock with the library's Enter/Leave names. It also meets the standard's
// Lockable requirements, so std::lock_guard and std::unique_lock accept it.
#include "transport/lnkComponent.h"

#include <mutex>

class TlnkSync : public TObject {
public:
    void Enter() { mutex_.lock(); }
    void Leave() { mutex_.unlock(); }

    void lock() { Enter(); }
    void unlock() { Leave(); }
    bool try_lock() { return mutex_.try_lock(); }

private:
    std::recursive_mutex mutex_;
};
