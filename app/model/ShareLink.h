#pragma once

#include "core/base/Date.h"
#include "core/history/HistoryStats.h"

#include <QUrl>

#include <optional>

namespace dustlyn {

// The web page on which the user can share the month's savings.
struct ShareLink {
    // https://dustlyn.app/share?bytes=…&files=…&month=March, the month of `date` in the
    // local time zone, in English whatever the user's language.
    static std::optional<QUrl> url(const HistoryStats& stats, Date date);
};

} // namespace dustlyn
