#include "app/model/ShareLink.h"

#include <QDateTime>
#include <QLocale>
#include <QUrlQuery>

namespace dustlyn {

std::optional<QUrl> ShareLink::url(const HistoryStats& stats, Date date) {
    QUrl url(QStringLiteral("https://dustlyn.app"));
    url.setPath(QStringLiteral("/share"));
    const QDate local = QDateTime::fromSecsSinceEpoch(unixSeconds(date)).date();
    if (!local.isValid())
        return std::nullopt;
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("bytes"), QString::number(stats.clearedSize));
    query.addQueryItem(QStringLiteral("files"), QString::number(stats.clearedCount));
    query.addQueryItem(QStringLiteral("month"),
                       QLocale(QLocale::English, QLocale::UnitedStates).monthName(local.month()));
    url.setQuery(query);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

} // namespace dustlyn
