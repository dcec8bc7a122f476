#pragma once
// The build tools run Qt without a display: the offscreen platform, and a private runtime
// folder where the build's environment has none (Qt insists on one).
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

namespace dabrix::tools {

// Call before the application object exists; `runtime` must outlive it.
inline void UseOffscreenPlatform(const QTemporaryDir& runtime)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
}

} // namespace dabrix::tools
