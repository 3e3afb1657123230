#include "app/platform/QtScreens.h"

#include <QGuiApplication>
#include <QScreen>

namespace dustlyn {

QtScreens::QtScreens() {
    auto* app = qGuiApp;
    if (!app)
        return;
    QObject::connect(app, &QGuiApplication::screenAdded, &context_, [this](QScreen* screen) {
        watch(screen);
        changed();
    });
    QObject::connect(app, &QGuiApplication::screenRemoved, &context_, [this] { changed(); });
    QObject::connect(app, &QGuiApplication::primaryScreenChanged, &context_, [this] { changed(); });
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
}

void QtScreens::watch(QScreen* screen) {
    QObject::connect(screen, &QScreen::geometryChanged, &context_, [this] { changed(); });
    QObject::connect(screen, &QScreen::availableGeometryChanged, &context_, [this] { changed(); });
}

// One reconfiguration moves several screens and areas at once; it is told once.
void QtScreens::changed() {
    if (changeQueued_)
        return;
    changeQueued_ = true;
    QMetaObject::invokeMethod(
        &context_,
        [this] {
            changeQueued_ = false;
            if (onChanged)
                onChanged();
        },
        Qt::QueuedConnection);
}

std::vector<ScreenDescription> QtScreens::screens() const {
    std::vector<ScreenDescription> result;
    for (const QScreen* screen : QGuiApplication::screens()) {
        ScreenDescription description;
        description.frame = QRectF(screen->geometry());
        description.availableFrame = QRectF(screen->availableGeometry());
        result.push_back(description);
    }
    return result;
}

std::optional<std::size_t> QtScreens::mainScreen() const {
    const auto screens = QGuiApplication::screens();
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (qsizetype i = 0; i < screens.size(); ++i) {
        if (screens[i] == primary)
            return static_cast<std::size_t>(i);
    }
    return std::nullopt;
}

bool QtScreens::mirrored() const {
    const auto screens = QGuiApplication::screens();
    for (qsizetype i = 0; i < screens.size(); ++i) {
        for (qsizetype j = i + 1; j < screens.size(); ++j) {
            if (screens[i]->geometry() == screens[j]->geometry())
                return true;
        }
    }
    return false;
}

} // namespace dustlyn
