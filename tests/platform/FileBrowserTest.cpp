#include "app/platform/dbus/FreedesktopFileBrowser.h"
#include "tests/platform/support/BusServices.h"
#include "tests/platform/support/Desktop.h"

#include <QUrl>

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

const std::filesystem::path file = "/home/ada/Down loads/Résumé #2.pdf";
const QString fileUrl = "file:///home/ada/Down%20loads/R%C3%A9sum%C3%A9%20%232.pdf";

struct Browser {
    const char* name;
    bool onTheBus; // whether a file browser is
    QStringList shown;
    QStringList opened;
};

// Without a file browser that shows the file, its folder opens instead.
const Browser browsers[] = {
    {"showsTheFileSelected", true, {fileUrl}, {}},
    {"noFileBrowserOnTheBus", false, {}, {"file:///home/ada/Down%20loads"}},
};

// Records what was opened instead, opening it or failing as `opens` says.
class FileBrowserTest : public ::testing::Test {
protected:
    QStringList opened;
    bool opens = true;
    FreedesktopFileBrowser browser{QDBusConnection::sessionBus(), [this](const QUrl& url) {
                                       opened << url.toString(QUrl::FullyEncoded);
                                       return opens;
                                   }};
};

class Revealing : public FileBrowserTest, public ::testing::WithParamInterface<Browser> {};

TEST_P(Revealing, aFile) {
    std::optional<testing::FileManagerService> service;
    if (GetParam().onTheBus)
        service.emplace();
    browser.reveal(file);
    ASSERT_TRUE(testing::spinUntil(
        [&] { return !opened.isEmpty() || (service && !service->shown.isEmpty()); }));
    EXPECT_EQ(service ? service->shown : QStringList(), GetParam().shown);
    EXPECT_EQ(opened, GetParam().opened);
}

INSTANTIATE_TEST_SUITE_P(Browsers, Revealing, ::testing::ValuesIn(browsers), testing::RowName());

TEST_F(FileBrowserTest, aFileOpensWithItsDefaultApplicationAndWhatNothingCouldOpenIsReported) {
    browser.open(file);
    EXPECT_EQ(opened, QStringList{fileUrl});
    opens = false;
    ::testing::internal::CaptureStderr();
    browser.open("/tmp/a.pdf");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "dustlyn: nothing could open /tmp/a.pdf\n");
}

} // namespace
} // namespace dustlyn
