#include "app/notch/NotchViewModel.h"

#include <algorithm>

namespace dustlyn {

namespace {

// Writes `value` into `field` and tells the readers, only when it differs.
template <typename T, typename Signal>
void assign(NotchViewModel* owner, T& field, T value, Signal changed) {
    if (field == value)
        return;
    field = std::move(value);
    emit(owner->*changed)();
}

constexpr double openWidth = 580;
constexpr double openChrome = 106; // header, gaps and footer around the list
constexpr double rowHeight = 50;
constexpr double rowGap = 6;
constexpr std::size_t visibleRows = 5; // the list scrolls beyond
constexpr double emptyListHeight = 104;
constexpr double plainPillWidth = 100;
constexpr double pillExtra = 72; // room for the logo and the count beside a housing

} // namespace

NotchViewModel::NotchViewModel(NotchGeometry geometry, Date now, QObject* parent)
    : QObject(parent), geometry_(geometry), now_(now) {}

void NotchViewModel::setMode(Mode mode) {
    assign(this, mode_, mode, &NotchViewModel::modeChanged);
}
void NotchViewModel::setTab(Tab tab) {
    assign(this, tab_, tab, &NotchViewModel::tabChanged);
}
void NotchViewModel::setGeometry(const NotchGeometry& geometry) {
    assign(this, geometry_, geometry, &NotchViewModel::geometryChanged);
}
void NotchViewModel::setHidden(bool hidden) {
    assign(this, hidden_, hidden, &NotchViewModel::hiddenChanged);
}
void NotchViewModel::setPillEnabled(bool enabled) {
    assign(this, pillEnabled_, enabled, &NotchViewModel::pillEnabledChanged);
}
void NotchViewModel::setPeekFiles(std::vector<MatchedFile> files) {
    assign(this, peekFiles_, std::move(files), &NotchViewModel::peekFilesChanged);
}
void NotchViewModel::setPeekEndsAt(Date date) {
    assign(this, peekEndsAt_, date, &NotchViewModel::peekEndsAtChanged);
}
void NotchViewModel::setPeekHovered(bool hovered) {
    assign(this, peekHovered_, hovered, &NotchViewModel::peekHoveredChanged);
}
void NotchViewModel::setToast(std::optional<Toast> toast) {
    assign(this, toast_, std::move(toast), &NotchViewModel::toastChanged);
}
void NotchViewModel::setNow(Date now) {
    assign(this, now_, now, &NotchViewModel::nowChanged);
}

void NotchViewModel::withAnimation(NotchAnimation animation, const std::function<void()>& writes) {
    // Nested changes keep the outer one's curve once they end.
    const NotchAnimation outer = animation_;
    animation_ = animation;
    writes();
    animation_ = outer;
}

double NotchViewModel::openListHeight(std::size_t leavingCount, std::size_t quarantineCount) const {
    const std::size_t n = tab_ == Tab::quarantine ? quarantineCount : leavingCount;
    if (n == 0)
        return emptyListHeight;
    const auto k = static_cast<double>(std::min(n, visibleRows));
    return rowHeight * k + rowGap * (k - 1);
}

QSizeF NotchViewModel::bodySize(std::size_t leavingCount, std::size_t quarantineCount) const {
    const double nW = geometry_.notchWidth;
    const double nH = geometry_.notchHeight;
    const bool notched = geometry_.hasNotch;
    switch (mode_) {
    case Mode::pill:
        if (!hidden_ && leavingCount >= 1 && pillEnabled_)
            return {notched ? nW + pillExtra : plainPillWidth, nH};
        return {notched ? nW : 0, nH};
    case Mode::open:
        return {openWidth, nH + openChrome + openListHeight(leavingCount, quarantineCount)};
    case Mode::peek:
        return {480, nH + (peekFiles_.size() < 2 ? 146 : 140)};
    case Mode::toast:
        return {std::max(nW + pillExtra, 400.0), nH + 60};
    case Mode::drop:
        return {480, nH + 128};
    }
    return {};
}

} // namespace dustlyn
