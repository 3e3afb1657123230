#pragma once

#include "app/platform/Screens.h"

#include <QObject>

class QScreen;

namespace dustlyn {

// The screens as Qt reports them: a screen's geometry and available geometry (without the
// desktop's panels); on X11 Qt makes one screen of each RandR monitor, so mirrored outputs
// appear as screens with the same geometry.
class QtScreens final : public Screens {
public:
    QtScreens();

    std::vector<ScreenDescription> screens() const override;
    std::optional<std::size_t> mainScreen() const override;
    bool mirrored() const override;

private:
    void watch(QScreen* screen);
    void changed();

    QObject context_; // connections die with this object
    bool changeQueued_ = false;
};

} // namespace dustlyn
