#pragma once

#include "app/model/AppModel.h"
#include "app/model/Clock.h"
#include "app/model/TimerSource.h"
#include "app/notch/NotchPanelHost.h"
#include "app/notch/NotchViewModel.h"
#include "app/notch/PeekBatch.h"
#include "app/notch/QuietMode.h"
#include "app/platform/ActiveWindow.h"
#include "app/platform/DragMonitor.h"
#include "app/platform/HotKey.h"
#include "app/platform/InputMonitor.h"
#include "app/platform/Screens.h"

#include <QObject>

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dustlyn {

// The desktop services and the time the notch follows. The controller hooks itself into
// the callbacks of the services for its lifetime.
struct NotchServices {
    Screens& screens;
    InputMonitor& input;
    DragMonitor& drag;
    ActiveWindow& activeWindow;
    HotKey& hotKey;
    std::shared_ptr<Clock> clock;
    std::shared_ptr<TimerSource> timers;
    pid_t ownPid; // this program's windows never make the notch quiet
};

// Decides, moment by moment, which face the notch shows: turns the pointer, drags, keys,
// a once-a-second tick, screen changes and the model's news into view-model changes, and
// carries out the notch's commands on the model, confirming each with a toast.
class NotchController : public QObject {
    Q_OBJECT

public:
    using Mode = NotchViewModel::Mode;
    // Builds the panel window for this controller (its views read vm() and call back).
    using PanelFactory = std::function<std::unique_ptr<NotchPanelHost>(NotchController&)>;

    NotchController(AppModel& model, NotchServices services, const PanelFactory& makePanel,
                    std::function<void()> openSettings);
    ~NotchController() override;

    NotchViewModel& vm() { return vm_; }
    const NotchViewModel& vm() const { return vm_; }
    AppModel& model() { return model_; }
    const std::optional<ScreenDescription>& screen() const { return screen_; }
    bool openedByHover() const { return openedByHover_; }

    void open(bool byHover);
    void close();
    // The footer's Settings control: the panel closes and the settings window opens.
    void showSettings();
    void handleNewFiles(const std::vector<MatchedFile>& files);
    void handleSweep(const SweepSummary& summary);
    void applySettings();
    void keep(const std::vector<MatchedFile>& files);
    void setTimer(const MatchedFile& file, double seconds);
    void undo(const SweepSummary& summary);
    void handleDrop(const std::vector<std::filesystem::path>& urls, NotchViewModel::DropKind kind);
    // "open", "peek", "toast" or "drop"; any other name does nothing.
    void demo(const std::string& name);
    void peek(const std::vector<MatchedFile>& files, bool force);

    // A menu of the open panel is showing: the pointer on it still counts as over the
    // panel, so neither hovering away nor a click elsewhere closes the panel under it.
    void setMenuOpen(bool open);
    bool menuOpen() const { return menuOpen_; }
    // Esc pressed while the panel has the keyboard; true when the key was used.
    bool handleEscape();
    // A pointer event; `global` is true for events going to other programs' windows.
    void handle(PointerEventType type, bool global);
    // The pointer is at `position` (global coordinates).
    void updateMouse(QPointF position);
    void tick();
    void screensChanged();
    // Seconds between ticks: 1 while a face shows the time (a countdown, the open panel, a
    // peek or toast), 2 at rest, where only the quiet test needs them.
    double tickPeriod() const { return tickPeriod_; }

    // The notch's clock (the views' moving parts read it between the ticks of vm().now()).
    Date now() const { return services_.clock->now(); }

    // The body of the current face for the model's counts, and where it lies.
    QSizeF currentBody() const;
    QRectF bodyRect() const;
    QRectF hotZone() const;

signals:
    // The face of `mode` may show within moments (the pointer rests on the hot zone, files
    // are being dragged, new files wait for their peek): its views can be made ready now.
    void faceAhead(NotchViewModel::Mode mode);

private:
    void setMode(Mode mode);
    void recheckMouse();
    void cancelTimers();
    void scheduleDismiss(double seconds);
    void showToast(Toast toast, double seconds);
    void syncInputRegion();
    void syncTicker();
    bool showsTime() const;
    void placePanel();
    void hoverInPill(QPointF position);
    void hoverInOpen(QPointF position);
    void hoverInTransient(QPointF position);
    void leaveDropIfAway(QPointF position);
    void pointerDown(QPointF position, bool global);
    void pointerUp();
    void pointerDragged(QPointF position);

    AppModel& model_;
    NotchServices services_;
    std::function<void()> openSettings_;
    QuietMode quiet_;
    std::optional<ScreenDescription> screen_;
    NotchViewModel vm_;
    std::unique_ptr<NotchPanelHost> panel_;
    PeekBatch peekBatch_;
    std::unique_ptr<Timer> ticker_;
    bool openedByHover_ = false;
    // Closed on purpose with the pointer resting in the hot zone: hovering opens again only
    // once the pointer has left it, or Esc and the hot key could not close the panel there.
    bool hoverWaitsForLeave_ = false;
    std::unique_ptr<Timer> hoverWork_;
    std::unique_ptr<Timer> closeWork_;
    std::unique_ptr<Timer> dismissWork_;
    std::unique_ptr<Timer> dropEndWork_;
    std::unique_ptr<Timer> refreshWork_;
    long dragChangeCount_ = 0;
    bool draggingFiles_ = false;
    bool menuOpen_ = false;
    long long tickCount_ = 0;
    double tickPeriod_ = 0;
    std::optional<QRectF> inputRegion_;
};

} // namespace dustlyn
