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

void ScanListing::writeText(BufferedOutput& out) const {
    const std::vector<Row> rows = rowsByDeadline();
    const std::vector<std::string> labels = groupLabels();
    const ClockPhrase clock(at_);
    TextTable table({false, false, false, true, false});
    // The short cells of every row, made once in the measuring pass and read back in the
    // writing pass; the paths stay where the claims keep them.
    std::string cells;
    cells.reserve(rows.size() * 32);
    std::vector<std::array<std::uint16_t, 3>> lengths;
    lengths.reserve(rows.size());
    for (const Row& row : rows) {
        const auto& claim = claims_.claims()[row.claim];
        const std::size_t start = cells.size();
        if (claim.isEligible) {
            cells += "due now";
        } else {
            cells += "in ";
            FileInsights::appendCountdown(cells, secondsBetween(at_, claim.deadline));
        }
        const std::size_t left = cells.size() - start;
        clock.append(cells, claim.deadline);
        const std::size_t when = cells.size() - start - left;
        appendByteCount(cells, claim.size);
        const std::size_t size = cells.size() - start - left - when;
        lengths.push_back({std::uint16_t(left), std::uint16_t(when), std::uint16_t(size)});
        const std::string_view text = std::string_view(cells).substr(start);
        table.measure({text.substr(0, left), text.substr(left, when), labels[row.group],
                       text.substr(left + when), claim.path});
    }
    std::size_t offset = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto [left, when, size] = lengths[i];
        const std::string_view text = std::string_view(cells).substr(offset, left + when + size);
        offset += text.size();
        table.write({text.substr(0, left), text.substr(left, when), labels[rows[i].group],
                     text.substr(left + when), claims_.claims()[rows[i].claim].path},
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

void ScanListing::writeJson(BufferedOutput& out) const {
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
