#pragma once

#include "core/history/HistoryStore.h"
#include "core/history/SweepJournal.h"

#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace dustlyn {

// The history as the model keeps it: the file is only added to until something needs its
// entries, then read once and held, so that appending never reads it again. Beside it, the
// journal of the sweep under way.
class ModelHistory {
public:
    explicit ModelHistory(HistoryStore store);
    ~ModelHistory();
    ModelHistory(const ModelHistory&) = delete;
    ModelHistory& operator=(const ModelHistory&) = delete;

    const HistoryStore& store() const { return store_; }
    const SweepJournal& journal() const { return journal_; }
    // Read from the file at the first call.
    const std::vector<HistoryEntry>& entries() const { return held().entries; }
    // Begins the rewrite that `incoming` entries would call for, before they are known, for the
    // next append() to finish; with `foreseen`, their expected encoding once it is made (none
    // when it cannot be), written with it.
    using Foreseen = std::shared_future<std::shared_ptr<const std::string>>;
    void prepareAppend(std::size_t incoming, Foreseen foreseen = {});
    // True when the file now holds the entries; they are held either way. `encoded`, when
    // given, is HistoryStore::encode(entries), made beforehand.
    bool append(const std::vector<HistoryEntry>& entries, const std::string* encoded = nullptr);
    struct Reconciled {
        bool added = false; // entries were added
        // The journal is still there: the history could not be written, and the journal may be
        // the only record on disk of where the last sweep's files came from.
        bool waiting = false;
    };
    // Records where the files of a journal left behind came from (the last run stopped between
    // its moves and its history entry).
    Reconciled reconcileJournal(Date now);
    // What is wrong with the file, for the user, until it is next written.
    const std::vector<std::string>& notices() const { return notices_; }

private:
    HeldHistory& held() const;
    void releasePrepared();

    HistoryStore store_;
    SweepJournal journal_;
    // Filled by held(); until then the file is only ever appended to.
    mutable std::optional<HeldHistory> held_;
    mutable std::vector<std::string> notices_;
    std::future<std::optional<PreparedTrim>> preparing_;
    std::optional<PreparedTrim> prepared_;
    std::thread releasing_; // lets go of a finished trim's old file
};

} // namespace dustlyn
