#include "cli/SourceHosts.h"

#include "app/insights/FileInsights.h"

#include <cstring>
#include <system_error>
#include <utility>

namespace dustlyn {

namespace {

// Files per hand-over: few enough that the lookups start early, many enough that the lock is
// rarely taken.
constexpr std::size_t batchSize = 256;
// Batches waiting at most, so that a walk far ahead of the lookups holds no copy of its paths.
constexpr std::size_t mostQueued = 64;

} // namespace

SourceHosts::~SourceHosts() {
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
        queued_.clear(); // nobody will ask for these
    }
    wake_.notify_one();
    if (worker_.joinable())
        worker_.join();
}

void SourceHosts::found(std::string_view path) {
    filling_.paths.append(path);
    filling_.paths.push_back('\0');
    if (++filling_.count == batchSize)
        hand();
}

void SourceHosts::hand() {
    if (filling_.count == 0)
        return;
    if (!worker_.joinable() && !threadless_) {
        try {
            worker_ = std::thread([this] { work(); });
        } catch (const std::system_error&) {
            threadless_ = true; // slower, not wrong
        }
    }
    if (threadless_) {
        lookUp(filling_);
        filling_ = {};
        return;
    }
    {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [this] { return queued_.size() < mostQueued; });
        queued_.push_back(std::move(filling_));
        filling_ = {};
        if (!spare_.empty()) {
            filling_ = std::move(spare_.back());
            spare_.pop_back();
        }
    }
    wake_.notify_one();
}

void SourceHosts::finish() {
    hand();
    if (worker_.joinable()) {
        {
            const std::lock_guard lock(mutex_);
            closing_ = true;
        }
        wake_.notify_one();
        worker_.join();
        closing_ = false;
    }
    if (failure_)
        std::rethrow_exception(std::exchange(failure_, nullptr));
}

std::optional<std::string_view> SourceHosts::of(std::string_view path) const {
    if (hosts_.empty())
        return std::nullopt;
    const auto found = hosts_.find(path);
    if (found == hosts_.end())
        return std::nullopt;
    return found->second;
}

void SourceHosts::work() {
    for (;;) {
        Batch batch;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return !queued_.empty() || closing_; });
            if (queued_.empty())
                return;
            batch = std::move(queued_.front());
            queued_.pop_front();
        }
        room_.notify_one();
        try {
            lookUp(batch);
        } catch (...) {
            // Kept for finish() to raise; the remaining batches are still looked up.
            const std::lock_guard lock(mutex_);
            if (!failure_)
                failure_ = std::current_exception();
        }
        batch.paths.clear();
        batch.count = 0;
        const std::lock_guard lock(mutex_);
        spare_.push_back(std::move(batch));
    }
}

void SourceHosts::lookUp(const Batch& batch) {
    const char* path = batch.paths.data();
    for (std::size_t i = 0; i < batch.count; ++i) {
        const std::size_t length = std::strlen(path);
        if (auto host = FileInsights::source(path))
            hosts_.emplace(std::string(path, length), std::move(*host));
        path += length + 1;
    }
}

} // namespace dustlyn
