#pragma once

#include "app/model/SweepSummary.h"
#include "core/base/Date.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>

namespace dustlyn {

// Any confirmation other than a sweep's; `url` picks the thumbnail.
struct ToastMessage {
    std::string title;
    std::string subtitle;
    std::optional<std::filesystem::path> url;

    bool operator==(const ToastMessage&) const = default;
};

// The one-line confirmation the notch shows: what a sweep moved (with Undo), or a message.
class Toast {
public:
    static Toast sweep(SweepSummary summary) { return Toast(std::move(summary)); }
    static Toast message(std::string title, std::string subtitle,
                         std::optional<std::filesystem::path> url = std::nullopt);

    // The confirmations of the notch's commands, in the words the user reads.
    static Toast keptFromPeek(std::size_t count, const std::filesystem::path& first);
    static Toast timerFromPeek(Date deadline, Date now, const std::filesystem::path& file);
    static Toast restored(std::int64_t count);
    static Toast nothingRestored(const std::string& reason);
    static Toast keptFromDrop(std::size_t count, const std::filesystem::path& first);
    static Toast timerFromDrop(Date deadline, Date now, const std::filesystem::path& first);
    static Toast unrecordable(std::size_t count);
    static Toast demo();

    // The sweep it reports, or null for a message.
    const SweepSummary* summary() const { return std::get_if<SweepSummary>(&content_); }
    std::string title() const;
    std::string subtitle() const;
    std::optional<std::filesystem::path> url() const;

    bool operator==(const Toast&) const = default;

private:
    explicit Toast(std::variant<SweepSummary, ToastMessage> content)
        : content_(std::move(content)) {}

    std::variant<SweepSummary, ToastMessage> content_;
};

} // namespace dustlyn
