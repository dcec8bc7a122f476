#pragma once
// A std::thread that serves its own Qt events, for windows and components that must
// live on a thread other than the test's main thread.
#include <QCoreApplication>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace dabrix::test {

class PumpThread {
public:
    PumpThread()
        : thread_([this] { Loop(); })
    {
    }
    ~PumpThread()
    {
        stop_ = true;
        thread_.join();
    }

    // Runs `task` on the thread and waits for it (runs even while not pumping).
    void Run(std::function<void()> task)
    {
        std::packaged_task<void()> job(std::move(task));
        auto done = job.get_future();
        {
            std::lock_guard guard(lock_);
            tasks_.push_back(std::move(job));
        }
        done.get();
    }

    // While false the thread leaves its events queued.
    // Switching off waits until a pass that may have started pumping has ended.
    void SetPumping(bool on)
    {
        pumping_ = on;
        if (!on)
            Run([] {});
    }
    std::thread::id Id() const { return thread_.get_id(); }

private:
    void Loop()
    {
        while (!stop_) {
            std::deque<std::packaged_task<void()>> tasks;
            {
                std::lock_guard guard(lock_);
                tasks.swap(tasks_);
            }
            for (auto& t : tasks)
                t();
            if (pumping_)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }

    std::atomic<bool> stop_{false};
    std::atomic<bool> pumping_{true};
    std::mutex lock_;
    std::deque<std::packaged_task<void()>> tasks_;
    std::thread thread_;
};

} // namespace dabrix::test
