#pragma once
// Watches whether the air of the emulated infrared layer (the DABRIX_IRDA_DIR folder)
// exists, and reports each change.
//
// Threading: the watcher belongs to the thread that created it; the handler runs there,
// from that thread's Qt event loop.
#include <QObject>

#include <functional>
#include <memory>
#include <string>

class QFileSystemWatcher;
class QTimer;

namespace dabrix::platform::irda {

class AirWatcher : public QObject {
public:
    using ChangeHandler = std::function<void(bool Present)>;

    // Watches the folder `Folder` (empty: there is no air and nothing changes). The
    // handler runs whenever its presence differs from what was last reported; the first
    // state is the one at construction (Present()).
    AirWatcher(std::string Folder, ChangeHandler Handler);
    ~AirWatcher() override;

    bool Present() const { return present_; }

private:
    void Check();
    void WatchPaths();

    std::string folder_;
    ChangeHandler handler_;
    bool present_ = false;
    std::unique_ptr<QFileSystemWatcher> watcher_;
    std::unique_ptr<QTimer> timer_;
};

} // namespace dabrix::platform::irda
