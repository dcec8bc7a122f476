#include "platform/irda/IrDAAirWatcher.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

#include <sys/stat.h>

namespace dabrix::platform::irda {

namespace {

// The file-system watcher reports most changes at once; the timer catches what it cannot
// see (a parent folder that did not exist yet, a folder renamed away with its parent).
constexpr int kRecheckMs = 1000;

bool IsFolder(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

AirWatcher::AirWatcher(std::string Folder, ChangeHandler Handler)
    : folder_(std::move(Folder)), handler_(std::move(Handler)), present_(IsFolder(folder_))
{
    if (folder_.empty())
        return;
    watcher_ = std::make_unique<QFileSystemWatcher>();
    QObject::connect(watcher_.get(), &QFileSystemWatcher::directoryChanged, this, [this] { Check(); });
    timer_ = std::make_unique<QTimer>();
    timer_->setInterval(kRecheckMs);
    QObject::connect(timer_.get(), &QTimer::timeout, this, [this] { Check(); });
    timer_->start();
    WatchPaths();
}

AirWatcher::~AirWatcher() = default;

void AirWatcher::WatchPaths()
{
    // The folder itself reports its removal; its parent reports its creation.
    const QString folder = QString::fromStdString(folder_);
    const QString parent = QFileInfo(folder).absolutePath();
    QStringList paths;
    for (const QString& p : {folder, parent})
        if (!watcher_->directories().contains(p) && QFileInfo(p).isDir())
            paths << p;
    if (!paths.isEmpty())
        watcher_->addPaths(paths);
}

void AirWatcher::Check()
{
    WatchPaths();
    const bool now = IsFolder(folder_);
    if (now == present_)
        return;
    present_ = now;
    if (handler_)
        handler_(now);
}

} // namespace dabrix::platform::irda
