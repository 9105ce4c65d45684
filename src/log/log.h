#pragma once

#include <QString>

namespace veltrix {

// Appends "HH:mm:ss.SSS message\n" to the diagnostic log. Callable from any thread; never
// blocks on the disk and never fails the caller. Lines keep their call order.
void log(const QString &message);

// The file lines go to: $XDG_STATE_HOME/Veltrix/app.log (or ~/.local/state/Veltrix/app.log),
// or the path set by setLogFilePath. VELTRIX_LOG_FILE in the environment overrides both
// defaults, which lets a test or a demo keep its log apart.
QString logFilePath();

// Redirects the log (tests, demo). Lines queued before the call go to the old file.
void setLogFilePath(const QString &path);

// Waits until every line queued so far has been written. For tests and orderly shutdown.
void flushLog();

// The log is bounded: once the file would pass this size it is renamed to rotatedLogFilePath()
// (replacing an older one) and a new file is started, so both together stay near twice the
// limit. A file that cannot be renamed is logged once and appended to regardless.
constexpr qint64 defaultLogSizeLimit = 5 * 1024 * 1024;
// The previous log: logFilePath() + ".1".
QString rotatedLogFilePath();
// For tests: a small limit. Applies to lines written after the call.
void setLogSizeLimit(qint64 bytes);

} // namespace veltrix
