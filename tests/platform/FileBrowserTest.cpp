#include "app/platform/dbus/FreedesktopFileBrowser.h"
#include "tests/platform/support/BusServices.h"
#include "tests/platform/support/Desktop.h"

#include <QUrl>

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

using testing::PrintTo;

using testing::waitFor;

class FileBrowserTest : public ::testing::Test {
protected:
    FreedesktopFileBrowser browser{QDBusConnection::sessionBus(), [this](const QUrl& url) {
                                       opened << url.toString(QUrl::FullyEncoded);
                                       return true;
                                   }};
    QStringList opened;
    const std::filesystem::path file = "/home/ada/Down loads/Résumé #2.pdf";
    const QString fileUrl = "file:///home/ada/Down%20loads/R%C3%A9sum%C3%A9%20%232.pdf";
    const QString folderUrl = "file:///home/ada/Down%20loads";
};

TEST_F(FileBrowserTest, theFileBrowserShowsTheFileSelected) {
    testing::FileManagerService fileManager;
    browser.reveal(file);
    ASSERT_TRUE(waitFor([&] { return !fileManager.shown.isEmpty(); }));
    EXPECT_EQ(fileManager.shown, QStringList{fileUrl});
    EXPECT_TRUE(opened.isEmpty());
}

struct Failure {
    const char* name;
    bool browserRuns;
};

const Failure failures[] = {{"noFileBrowserOnTheBus", false}, {"theFileBrowserFails", true}};

class FileBrowserFallsBack : public FileBrowserTest,
                             public ::testing::WithParamInterface<Failure> {};

TEST_P(FileBrowserFallsBack, toOpeningTheFolder) {
    std::optional<testing::FileManagerService> failing;
    if (GetParam().browserRuns)
        failing.emplace(true);
    browser.reveal(file);
    ASSERT_TRUE(waitFor([&] { return !opened.isEmpty(); }));
    EXPECT_EQ(opened, QStringList{folderUrl});
}

INSTANTIATE_TEST_SUITE_P(Failures, FileBrowserFallsBack, ::testing::ValuesIn(failures),
                         testing::RowName());

TEST_F(FileBrowserTest, aFileOpensWithItsDefaultApplication) {
    browser.open(file);
    EXPECT_EQ(opened, QStringList{fileUrl});
}

TEST(FileBrowser, whatNothingCouldOpenIsReported) {
    FreedesktopFileBrowser browser(QDBusConnection::sessionBus(),
                                   [](const QUrl&) { return false; });
    ::testing::internal::CaptureStderr();
    browser.open("/tmp/a.pdf");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "dustlyn: nothing could open /tmp/a.pdf\n");
}

} // namespace
} // namespace dustlyn
