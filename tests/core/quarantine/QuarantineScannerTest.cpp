#include "core/quarantine/QuarantineScanner.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using testing::setModificationDate;
using testing::writeFile;

const Date now = dateFromUnix(1'750'000'000);
constexpr double week = 604800;

template <class File> std::vector<fs::path> urlsOf(const std::vector<File>& files) {
    std::vector<fs::path> urls;
    for (const auto& file : files)
        urls.push_back(file.url);
    return urls;
}

struct ListingTheQuarantine : ::testing::Test {
    void put(const std::string& name, Date quarantined, const std::string& content = "x") {
        writeFile(folder / name, content);
        setModificationDate(folder / name, quarantined);
    }

    testing::TempDir dir{"dustlyn-qscan"};
    fs::path folder = dir / "Quarantine";
    QuarantineScanner scanner;
};

TEST_F(ListingTheQuarantine, describesEachFileFromItsModificationDateAndAMissingFolderAsEmpty) {
    writeFile(dir / "a-file", "not a folder");
    for (const fs::path& place : {folder, dir / "a-file"})
        EXPECT_TRUE(scanner.scanAll(place, week, now).empty());
    const Date entered = dateFromUnix(1'749'900'000);
    put("shot.png", entered, "12345");
    const auto files = scanner.scanAll(folder, week, now);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0], (QuarantinedFile{files[0].id, folder / "shot.png", 5, entered,
                                         dateAfter(entered, week), false}));
    EXPECT_DOUBLE_EQ(files[0].secondsUntilExpiry(now), week - 100'000);
}

// Hidden files (partial copies among them), links and folders are never listed; files in
// sub-folders are, with paths resolved through a linked quarantine folder.
TEST_F(ListingTheQuarantine, hiddenFilesLinksAndFoldersAreNeverListedButFilesInSubFoldersAre) {
    const Date old = dateFromUnix(1'000'000'000);
    put(".dustlyn-partial-ABC", old);
    put(".hidden-folder/inside.txt", old);
    put("sub/deeper/inner.txt", old);
    fs::create_symlink(folder / "sub/deeper/inner.txt", folder / "link.txt");
    fs::create_directory_symlink(folder, dir / "linked");
    const std::vector<fs::path> expected{folder / "sub/deeper/inner.txt"};
    EXPECT_EQ(urlsOf(scanner.scanAll(dir / "linked", week, now)), expected);
    EXPECT_EQ(urlsOf(scanner.scanExpired(dir / "linked", week, now)), expected);
}

TEST_F(ListingTheQuarantine, soonestExpiryFirstAndEqualDatesKeepTheWalkOrder) {
    const Date same = dateFromUnix(1'749'500'000);
    put("c.txt", same);
    put("a.txt", dateFromUnix(1'749'600'000));
    put("b.txt", same);
    put("d.txt", dateFromUnix(1'749'400'000));
    const auto walkOrder = urlsOf(scanner.scanExpired(folder, 0, now));
    std::vector<fs::path> sameDateInWalk;
    for (const auto& url : walkOrder)
        if (url.filename() == "b.txt" || url.filename() == "c.txt")
            sameDateInWalk.push_back(url);
    const auto listed = urlsOf(scanner.scanAll(folder, week, now));
    ASSERT_EQ(listed.size(), 4u);
    EXPECT_EQ(listed[0], folder / "d.txt");
    EXPECT_EQ((std::vector<fs::path>{listed[1], listed[2]}), sameDateInWalk);
    EXPECT_EQ(listed[3], folder / "a.txt");
}

// With no retention everything has expired on arrival, but for a file dated in the future.
TEST_F(ListingTheQuarantine, expiresExactlyWhenTheRetentionHasPassed) {
    put("due.txt", dateAfter(now, -week));
    put("almost.txt", dateAfter(now, -week + 1));
    put("now.txt", now);
    put("future.txt", dateAfter(now, 3600));
    const auto expired = scanner.scanExpired(folder, week, now);
    ASSERT_EQ(expired.size(), 1u);
    EXPECT_EQ(expired[0], MatchedFile(folder / "due.txt", 1, dateAfter(now, -week),
                                      expired[0].ruleID, true, dateAfter(now, -week)));
    for (const auto& file : scanner.scanAll(folder, week, now))
        EXPECT_EQ(file.isExpired, file.url.ends_with("/due.txt")) << file.url;
    for (const auto& file : scanner.scanAll(folder, 0, now)) {
        SCOPED_TRACE(file.url);
        const bool future = file.url.ends_with("/future.txt");
        EXPECT_EQ(file.isExpired, !future);
        EXPECT_EQ(file.expiresDate, file.quarantinedDate);
        EXPECT_EQ(file.secondsUntilExpiry(now) > 0, future);
    }
    EXPECT_EQ(scanner.scanExpired(folder, 0, now).size(), 3u);
}

} // namespace
} // namespace dustlyn
