#include "app/model/ModelHistory.h"

#include "core/quarantine/FileSystemCalls.h"

#include <future>
#include <memory>
#include <system_error>
#include <utility>

namespace dustlyn {

ModelHistory::ModelHistory(HistoryStore store)
    : store_(std::move(store)), journal_(SweepJournal::besideHistory(store_)) {
    // A history cut short or replaced is read now, so that its notice is told with the
    // configuration's; a sound one waits until something needs its entries.
    if (!store_.looksWhole())
        held();
}

HeldHistory& ModelHistory::held() const {
    if (held_)
        return *held_;
    HistoryReadout stored = store_.read();
    if (const auto notice = stored.notice(store_.url()))
        notices_.push_back(*notice);
    held_ = HeldHistory{std::move(stored.entries), stored.damaged, false};
    return *held_;
}

namespace {

std::shared_ptr<const std::string> awaited(const ModelHistory::Foreseen& foreseen) {
    if (!foreseen.valid())
        return nullptr;
    try {
        return foreseen.get();
    } catch (const std::exception&) {
        // Not foreseen after all: the new entries are written when they are made.
        return nullptr;
    }
}

} // namespace

ModelHistory::~ModelHistory() {
    if (releasing_.joinable())
        releasing_.join();
}

// The file a trim replaced is freed by the file system when the last descriptor to it closes,
// which for a full history is megabytes of blocks and over a millisecond: that is done on
// another core while the sweep goes on.
void ModelHistory::releasePrepared() {
    if (!prepared_ || !prepared_->finished()) {
        prepared_.reset();
        return;
    }
    if (releasing_.joinable())
        releasing_.join();
    auto owned = std::make_unique<PreparedTrim>(std::move(*prepared_));
    prepared_.reset();
    try {
        releasing_ = std::thread([owned = std::move(owned)]() mutable { owned.reset(); });
    } catch (const std::system_error&) {
        // No thread to spare: the file was let go of here.
    }
}

void ModelHistory::prepareAppend(std::size_t incoming, Foreseen foreseen) {
    prepared_.reset();
    preparing_ = {};
    // A history already read is written from what is held.
    if (held_)
        return;
    // On another core, so that the files move meanwhile; deferred to append() when no thread
    // can be started. The store is a path and a limit, copied.
    preparing_ = std::async(std::launch::async | std::launch::deferred,
                            [store = store_, incoming, foreseen = std::move(foreseen)] {
                                return store.prepareTrim(incoming,
                                                         [&foreseen] { return awaited(foreseen); });
                            });
}

bool ModelHistory::append(const std::vector<HistoryEntry>& entries, const std::string* encoded) {
    // Not read yet: the entries go to the end of the file as it is. A file that cannot take
    // them so (missing, odd at its ends, or full) is read and written whole, as is one whose
    // tail could not be written, so that the entries are held until a write succeeds.
    if (preparing_.valid())
        if (auto prepared = preparing_.get())
            prepared_.emplace(std::move(*prepared));
    const bool appended =
        !held_ &&
        store_.appendToTail(entries, prepared_ ? &*prepared_ : nullptr, encoded).value_or(false);
    releasePrepared();
    if (appended)
        return true;
    // The history held since it was read is the file's content: it is written, never read
    // back.
    HeldHistory& history = held();
    const bool written = store_.append(history, entries);
    // Once a damaged file has been set aside, the notice about it is done.
    if (!history.damaged)
        notices_.clear();
    return written;
}

ModelHistory::Reconciled ModelHistory::reconcileJournal(Date now) {
    if (!itemExists(journal_.url()))
        return {};
    HeldHistory& history = held();
    const HeldHistory before = history;
    journal_.reconcile(store_, history, now);
    if (!history.damaged)
        notices_.clear();
    return {history.entries != before.entries, itemExists(journal_.url())};
}

} // namespace dustlyn
