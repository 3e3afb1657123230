#include "app/notch/Toast.h"

#include "app/insights/FileInsights.h"
#include "core/base/ByteCount.h"

namespace dustlyn {

namespace {

std::string itOrThem(std::size_t count) {
    return count == 1 ? "it" : "them";
}

std::string keptTitle(std::size_t count) {
    return count == 1 ? "Kept forever" : "Kept " + std::to_string(count) + " files";
}

} // namespace

Toast Toast::message(std::string title, std::string subtitle,
                     std::optional<std::filesystem::path> url) {
    return Toast(ToastMessage{std::move(title), std::move(subtitle), std::move(url)});
}

Toast Toast::keptFromPeek(std::size_t count, const std::filesystem::path& first) {
    return message(keptTitle(count),
                   "Dustlyn won't touch " + itOrThem(count) + ". Undo in Settings › Kept files.",
                   first);
}

Toast Toast::timerFromPeek(Date deadline, Date now, const std::filesystem::path& file) {
    return message("Leaves " + FileInsights::clock(deadline, now),
                   file.filename().string() + " goes to quarantine then.", file);
}

Toast Toast::restored(std::int64_t count) {
    return message(count == 1 ? "Restored 1 file" : "Restored " + std::to_string(count) + " files",
                   "Back where they were, and kept.");
}

Toast Toast::nothingRestored(const std::string& reason) {
    return message("Nothing restored", reason);
}

Toast Toast::keptFromDrop(std::size_t count, const std::filesystem::path& first) {
    return message(keptTitle(count), "No rule will ever touch " + itOrThem(count) + ".", first);
}

Toast Toast::timerFromDrop(Date deadline, Date now, const std::filesystem::path& first) {
    return message("Leaves " + FileInsights::clock(deadline, now),
                   "Then 7 days in quarantine before it's deleted.", first);
}

Toast Toast::unrecordable(std::size_t count) {
    if (count == 1)
        return message("Left alone",
                       "The name is not valid UTF-8, so Dustlyn cannot record the file.");
    return message("Left " + std::to_string(count) + " files alone",
                   "Their names are not valid UTF-8, so Dustlyn cannot record them.");
}

Toast Toast::demo() {
    return message("Moved 3 screenshots to quarantine",
                   "14.2 MB · you can restore them for 7 days");
}

std::string Toast::title() const {
    if (const auto* sweep = summary())
        return sweep->movedCount == 1
                   ? "Moved 1 file to quarantine"
                   : "Moved " + std::to_string(sweep->movedCount) + " files to quarantine";
    return std::get<ToastMessage>(content_).title;
}

std::string Toast::subtitle() const {
    if (const auto* sweep = summary()) {
        const std::string size = sweep->movedSize == 0 ? "0 MB" : formatByteCount(sweep->movedSize);
        return size + " · you can restore them for 7 days";
    }
    return std::get<ToastMessage>(content_).subtitle;
}

std::optional<std::filesystem::path> Toast::url() const {
    if (const auto* sweep = summary())
        return sweep->sample;
    return std::get<ToastMessage>(content_).url;
}

} // namespace dustlyn
