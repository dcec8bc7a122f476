#pragma once
// Keeps a second copy of the program from running: the first process holds an exclusive
// lock on a file named Dabrix_Instance; a second one finds it taken and ends.
//
// The lock file lives in $XDG_RUNTIME_DIR (per user and per login, cleared at log-out),
// else in the configuration folder. The lock belongs to the open file description, so it
// ends with the process however the process ends: a crashed instance never blocks the
// next start.
//
// Threads: used once by the program entry on the main thread.
#include <string>

namespace dabrix::platform {

class SingleInstance {
public:
    enum class Result {
        Acquired,      // this process is the only instance
        AlreadyRunning,// another process holds the lock
        Unavailable,   // the lock file could not be opened (errno kept in Error())
    };

    SingleInstance() = default;
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Opens (creating it if needed) the lock file at `path` and tries to lock it without
    // waiting. The lock is held until this object is destroyed or Release is called.
    Result Acquire(const std::string& path);
    void Release();

    bool Held() const { return fd_ >= 0; }
    int Error() const { return error_; }

    // $XDG_RUNTIME_DIR/Dabrix_Instance when that folder is set, else
    // <configFolder>/Dabrix_Instance; empty when neither is known.
    static std::string DefaultLockPath(const std::string& configFolder);

private:
    int fd_ = -1;
    int error_ = 0;
};

} // namespace dabrix::platform
