#include "cli/ScanListing.h"

#include "app/insights/ClockPhrase.h"
#include "app/insights/FileInsights.h"
#include "app/instance/Plural.h"
#include "cli/PrettyJson.h"
#include "cli/TextTable.h"
#include "core/base/ByteCount.h"

#include <algorithm>
#include <array>

namespace dustlyn {

namespace {

constexpr std::size_t prefetchDistance = 16;

} // namespace

std::vector<ScanListing::Row> ScanListing::rowsByDeadline() const {
    std::vector<Row> rows;
    rows.reserve(claims_.claims().size());
    const auto& groups = claims_.groups();
    for (std::size_t group = 0; group < groups.size(); ++group)
        for (std::size_t claim = groups[group].begin; claim < groups[group].end; ++claim)
            rows.push_back({claims_.claims()[claim].deadline, static_cast<std::uint32_t>(claim),
                            static_cast<std::uint32_t>(group)});
    // Claims are numbered in report order, so the number settles ties as a stable sort would.
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return a.deadline != b.deadline ? a.deadline < b.deadline : a.claim < b.claim;
    });
    return rows;
}

std::vector<std::string> ScanListing::groupLabels() const {
    std::vector<std::string> labels;
    const auto& groups = claims_.groups();
    for (const auto& group : groups) {
        if (group.rule.id == PurgeRule::manualID()) {
            labels.emplace_back("Timer");
            continue;
        }
        // Rules are told apart by identifier; the first group of an identifier names it.
        const auto first = std::find_if(groups.begin(), groups.end(), [&](const auto& other) {
            return other.rule.id == group.rule.id;
        });
        labels.push_back(first->rule.name);
    }
    return labels;
}

// The short cells of every row, made once in the measuring pass and read back in the writing
// pass; the paths stay where the claims keep them.
struct ScanListing::Cells {
    std::string text;
    std::vector<std::array<std::uint16_t, 3>> lengths; // countdown, clock, size
    std::vector<std::string_view> paths;               // in row order
};

ScanListing::Cells ScanListing::measure(const std::vector<Row>& rows,
                                        const std::vector<std::string>& labels,
                                        TextTable& table) const {
    const ClockPhrase clock(at_, ClockPhrase::Past::dates);
    Cells cells;
    cells.text.reserve(rows.size() * 32);
    cells.lengths.reserve(rows.size());
    cells.paths.reserve(rows.size());
    const auto& claims = claims_.claims();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        // Rows go in deadline order while claims lie in walk order: asking for a claim a few
        // rows ahead keeps most rows from waiting for memory.
        if (i + prefetchDistance < rows.size())
            __builtin_prefetch(&claims[rows[i + prefetchDistance].claim]);
        const auto& claim = claims[rows[i].claim];
        std::string& text = cells.text;
        const std::size_t start = text.size();
        if (claim.isEligible) {
            text += "due now";
        } else {
            text += "in ";
            FileInsights::appendCountdown(text, secondsBetween(at_, claim.deadline));
        }
        const std::size_t left = text.size() - start;
        clock.append(text, claim.deadline);
        const std::size_t when = text.size() - start - left;
        appendByteCount(text, claim.size);
        const std::size_t size = text.size() - start - left - when;
        cells.lengths.push_back({std::uint16_t(left), std::uint16_t(when), std::uint16_t(size)});
        cells.paths.push_back(claim.path);
        // The source is the last column, never padded, so its width does not count: the
        // hosts may still be looked up meanwhile.
        const std::string_view row = std::string_view(text).substr(start);
        table.measure({row.substr(0, left), row.substr(left, when), labels[rows[i].group],
                       row.substr(left + when, size), claim.path, ""});
    }
    return cells;
}

void ScanListing::writeText(BufferedOutput& out, SourceHosts& hosts) const {
    const std::vector<Row> rows = rowsByDeadline();
    const std::vector<std::string> labels = groupLabels();
    TextTable table({false, false, false, true, false, false});
    const Cells cells = measure(rows, labels, table);
    hosts.finish();
    std::string source;
    std::size_t offset = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i + prefetchDistance < rows.size()) {
            // A path often spans two cache lines.
            const std::string_view ahead = cells.paths[i + prefetchDistance];
            __builtin_prefetch(ahead.data());
            __builtin_prefetch(ahead.data() + ahead.size() - 1);
        }
        const auto [left, when, size] = cells.lengths[i];
        const std::string_view row =
            std::string_view(cells.text).substr(offset, left + when + size);
        offset += row.size();
        source.clear();
        if (const auto host = hosts.of(cells.paths[i]))
            source.append("from ").append(*host);
        table.write({row.substr(0, left), row.substr(left, when), labels[rows[i].group],
                     row.substr(left + when, size), cells.paths[i], source},
                    out.text());
        out.wrote();
    }
    writeSummary(out);
}

void ScanListing::writeSummary(BufferedOutput& out) const {
    const std::int64_t count = claims_.matchedCount();
    if (count == 0) {
        out.line("Nothing would leave.");
    } else {
        const auto due = std::count_if(claims_.claims().begin(), claims_.claims().end(),
                                       [](const auto& claim) { return claim.isEligible; });
        out.line(plural(count, "file") + " would leave (" + formatByteCount(claims_.totalSize()) +
                 "), " + std::to_string(due) + " due now.");
    }
    if (claims_.unrecordableCount() > 0)
        out.line(plural(claims_.unrecordableCount(), "file") +
                 " left alone: the name is not valid UTF-8, so it could not be recorded.");
}

void ScanListing::writeJson(BufferedOutput& out, SourceHosts& hosts) const {
    hosts.finish();
    PrettyJson json(out.text());
    std::string date;
    const auto dateText = [&date](Date value) -> std::string_view {
        date.clear();
        appendRfc3339(date, value);
        return date;
    };
    json.beginObject();
    json.key("results");
    json.beginArray();
    for (const auto& group : claims_.groups()) {
        json.beginObject();
        json.key("rule");
        json.embed(nlohmann::ordered_json(toJson(group.rule)));
        json.key("folder");
        json.value(group.folder);
        json.key("files");
        json.beginArray();
        const std::string ruleID = group.rule.id.text();
        for (const auto& claim : claims_.claimsOf(group)) {
            json.beginObject();
            json.key("url");
            json.value(claim.path);
            json.key("size");
            json.value(claim.size);
            json.key("ageBasisDate");
            json.value(dateText(claim.ageBasisDate));
            json.key("ruleID");
            json.value(ruleID);
            json.key("isEligible");
            json.value(claim.isEligible);
            json.key("deadline");
            json.value(dateText(claim.deadline));
            if (const auto host = hosts.of(claim.path)) {
                json.key("source");
                json.value(*host);
            }
            json.endObject();
            out.wrote();
        }
        json.endArray();
        json.endObject();
    }
    json.endArray();
    json.key("matchedCount");
    json.value(claims_.matchedCount());
    json.key("totalSize");
    json.value(claims_.totalSize());
    json.endObject();
    out.line("");
}

std::optional<MatchedFile> ScanListing::next() const {
    const auto& groups = claims_.groups();
    const ScanClaims::Claim* first = nullptr;
    const ScanClaims::Group* firstGroup = nullptr;
    for (const auto& group : groups)
        for (const auto& claim : claims_.claimsOf(group))
            if (!first || claim.deadline < first->deadline) {
                first = &claim;
                firstGroup = &group;
            }
    if (!first)
        return std::nullopt;
    return claims_.matchedFile(*firstGroup, *first);
}

} // namespace dustlyn
