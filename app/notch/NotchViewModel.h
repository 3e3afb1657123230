#pragma once

#include "app/notch/NotchAnimation.h"
#include "app/notch/NotchGeometry.h"
#include "app/notch/Toast.h"
#include "core/base/Date.h"
#include "core/scan/MatchedFile.h"

#include <QObject>
#include <QSizeF>

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace dustlyn {

// The state of the notch's faces. The controller writes it (the views only switch the
// tab); the views read it and redraw on its signals, which fire only on a real change.
class NotchViewModel : public QObject {
    Q_OBJECT

public:
    enum class Mode { pill, open, peek, toast, drop };
    enum class Tab { leaving, quarantine };
    enum class DropKind { keep, timer };

    static constexpr std::size_t maxPeekFiles = 12;

    NotchViewModel(NotchGeometry geometry, Date now, QObject* parent = nullptr);

    Mode mode() const { return mode_; }
    Tab tab() const { return tab_; }
    const NotchGeometry& geometry() const { return geometry_; }
    bool hidden() const { return hidden_; }
    bool pillEnabled() const { return pillEnabled_; }
    const std::vector<MatchedFile>& peekFiles() const { return peekFiles_; }
    Date peekEndsAt() const { return peekEndsAt_; }
    bool peekHovered() const { return peekHovered_; }
    const std::optional<Toast>& toast() const { return toast_; }
    Date now() const { return now_; }

    void setMode(Mode mode);
    void setTab(Tab tab);
    void setGeometry(const NotchGeometry& geometry);
    void setHidden(bool hidden);
    void setPillEnabled(bool enabled);
    void setPeekFiles(std::vector<MatchedFile> files);
    void setPeekEndsAt(Date date);
    void setPeekHovered(bool hovered);
    void setToast(std::optional<Toast> toast);
    void setNow(Date now);

    // Runs `writes`; the views animate the changes it makes with `animation`, which they
    // read from animation() when a change signal arrives.
    void withAnimation(NotchAnimation animation, const std::function<void()>& writes);
    const NotchAnimation& animation() const { return animation_; }

    // The visible body of the current face, for the counts of files leaving and in
    // quarantine. A width of 0 means nothing is drawn at all.
    QSizeF bodySize(std::size_t leavingCount, std::size_t quarantineCount) const;

signals:
    void modeChanged();
    void tabChanged();
    void geometryChanged();
    void hiddenChanged();
    void pillEnabledChanged();
    void peekFilesChanged();
    void peekEndsAtChanged();
    void peekHoveredChanged();
    void toastChanged();
    void nowChanged();

private:
    double openListHeight(std::size_t leavingCount, std::size_t quarantineCount) const;

    Mode mode_ = Mode::pill;
    Tab tab_ = Tab::leaving;
    NotchGeometry geometry_;
    bool hidden_ = false;
    bool pillEnabled_ = true;
    std::vector<MatchedFile> peekFiles_;
    Date peekEndsAt_{}; // long past: no peek is running
    bool peekHovered_ = false;
    std::optional<Toast> toast_;
    Date now_;
    NotchAnimation animation_;
};

} // namespace dustlyn
