#include "tests/app/notch/ViewFixture.h"
#include "tests/app/support/UiTestApp.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>

namespace dustlyn::testing {
namespace {

// On a real X server (on-x-server.sh): the panel as a screen reader and the keyboard meet it.
class OnXServer : public ViewFixture {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QStringLiteral("xcb"))
            GTEST_SKIP() << "needs an X server: run through on-x-server.sh";
        const QScreen& screen = *QGuiApplication::primaryScreen();
        screens_.list = {
            {QRectF(screen.geometry()), QRectF(screen.availableGeometry()), 0, {}, {}}};
    }
};

TEST_F(OnXServer, aScreenReaderFindsTheOpenPanelAndPressesItsButtonsAndEscClosesIt) {
    startViews();
    addFile("a.png");
    notch_->open(false);
    settle();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(panel().frameGeometry(), QRect(screen.center().x() - 359, 0, 720, 560));

    QProcess reader;
    reader.setProcessChannelMode(QProcess::MergedChannels);
    reader.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(DUSTLYN_ATSPI_SCRIPT), QCoreApplication::applicationName()});
    ASSERT_TRUE(spinUntil([&] { return reader.state() == QProcess::NotRunning; },
                          std::chrono::seconds(60)));
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAll().toStdString();
    EXPECT_TRUE(model_->paused());

    ASSERT_TRUE(spinUntil([&] { return QGuiApplication::focusWindow() == panel().windowHandle(); }))
        << "opened by key, the panel takes the keyboard";
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")});
    EXPECT_TRUE(spinUntil([&] { return mode() == Mode::pill; }));
    EXPECT_FALSE(panel().isKey());
}

} // namespace
} // namespace dustlyn::testing
