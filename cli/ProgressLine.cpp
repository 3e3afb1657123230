#include "cli/ProgressLine.h"

#include "core/base/ByteCount.h"

namespace dustlyn {

ProgressLine::ProgressLine(Now now, Write write)
    : now_(std::move(now)), write_(std::move(write)), start_(now_()) {}

std::string ProgressLine::text(const MoveProgress& progress) {
    return "Moving " + std::to_string(progress.files) + " of " + std::to_string(progress.total) +
           " files (" + formatByteCount(progress.bytes) + " of " +
           formatByteCount(progress.bytesTotal) + ")";
}

void ProgressLine::update(const MoveProgress& progress) {
    const auto now = now_();
    if (now - start_ < showAfter || progress.finished())
        return;
    if (shown_ && now - drawn_ < redrawEvery)
        return;
    // Carriage return, the text, and the rest of the line cleared.
    write_("\r" + text(progress) + "\x1b[K");
    shown_ = true;
    drawn_ = now;
}

void ProgressLine::finish() {
    if (shown_)
        write_("\r\x1b[K");
    shown_ = false;
}

} // namespace dustlyn
