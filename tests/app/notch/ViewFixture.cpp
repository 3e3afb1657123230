#include "tests/app/notch/ViewFixture.h"

#include "app/insights/FileThumbnail.h"
#include "tests/app/support/UiTestApp.h"

#include <QApplication>
#include <QPainter>

namespace dustlyn::testing {

ViewFixture::ViewFixture() : thumbnails_(thumbnailFolder_.path()) {
    uiTestApp();
    panelFactory_ = [this](NotchController& controller) {
        auto panel =
            std::make_unique<NotchPanel>(controller, windowSystem_, thumbnails_, fileBrowser_);
        view_ = panel.get();
        return panel;
    };
}

ViewFixture::~ViewFixture() {
    // The panel's pictures come from the cache, which goes first otherwise.
    notch_.reset();
}

void ViewFixture::startViews(const std::function<void(Configuration&)>& change) {
    start(change);
    settle();
}

void ViewFixture::openOn(NotchViewModel::Tab tab) {
    notch_->demo("open");
    vm().setTab(tab);
    settle();
}

void ViewFixture::settle() {
    QApplication::processEvents();
    root().settle();
    QApplication::processEvents();
}

void ViewFixture::waitForPictures() {
    const auto pictures = root().findChildren<FileThumbnail*>();
    spinUntil([&] {
        for (const FileThumbnail* picture : pictures)
            if (picture->isVisible() && !picture->file().empty() && picture->image().isNull())
                return false;
        return true;
    });
}

std::filesystem::path ViewFixture::addPicture(const std::string& name, double age, QColor color) {
    const auto file = makeFile("Desktop/" + name, age);
    QImage image(320, 200, QImage::Format_RGB32);
    image.fill(color);
    QPainter painter(&image);
    painter.fillRect(QRect(24, 24, 180, 28), color.lighter(160));
    painter.fillRect(QRect(24, 70, 272, 100), color.darker(130));
    painter.end();
    image.save(QString::fromStdString(file.native()), "png");
    setModificationDate(file, dateAfter(clock_->now(), -age));
    model_->refresh();
    return file;
}

QImage ViewFixture::grabPanel() {
    return root().grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace dustlyn::testing
