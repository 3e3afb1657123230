#pragma once

#include "cli/BufferedOutput.h"
#include "cli/SourceHosts.h"
#include "cli/TextTable.h"
#include "core/base/Date.h"
#include "core/scan/ScanClaims.h"

#include <optional>
#include <string>
#include <vector>

namespace dustlyn {

// What `dustlyn scan` prints, written straight from a scan's compact claims: rows are sorted
// as indices and formatted as they go out, so a scan of many thousand files never exists a
// second time as text or as a tree.
class ScanListing {
public:
    // `at` is the moment due-ness was judged at.
    ScanListing(const ScanClaims& claims, Date at) : claims_(claims), at_(at) {}

    // One row per file, soonest deadline first (the report's order among equal deadlines),
    // then the summary lines. `hosts` has been told of every claimed file; the rows are sorted
    // and measured while it looks them up.
    void writeText(BufferedOutput& out, SourceHosts& hosts) const;
    // The ScanReport: {"results", "matchedCount", "totalSize"}, rules in their stored form.
    void writeJson(BufferedOutput& out, SourceHosts& hosts) const;
    // The file that leaves first, as the text rows order them.
    std::optional<MatchedFile> next() const;

private:
    struct Row {
        Date deadline;
        std::uint32_t claim = 0;
        std::uint32_t group = 0;
    };

    struct Cells;

    std::vector<Row> rowsByDeadline() const;
    Cells measure(const std::vector<Row>& rows, const std::vector<std::string>& labels,
                  TextTable& table) const;
    // The rule column of each group: the rule's name, or "Timer" for the timer-only files.
    std::vector<std::string> groupLabels() const;
    void writeSummary(BufferedOutput& out) const;

    const ScanClaims& claims_;
    Date at_;
};

} // namespace dustlyn
