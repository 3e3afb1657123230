#include "app/platform/dbus/FreedesktopFileBrowser.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QUrl>

#include <cstdio>

namespace dustlyn {

namespace {

QUrl urlOf(const std::filesystem::path& file) {
    return QUrl::fromLocalFile(QString::fromStdString(file.string()));
}

// A browser that is started on demand may take a while to answer its first call.
constexpr int answerTimeoutMs = 10'000;

} // namespace

FreedesktopFileBrowser::FreedesktopFileBrowser(QDBusConnection bus,
                                               std::function<bool(const QUrl&)> openUrl)
    : bus_(std::move(bus)), openUrl_(std::move(openUrl)) {
    if (!openUrl_)
        openUrl_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

void FreedesktopFileBrowser::reveal(const std::filesystem::path& file) {
    const QUrl folder = urlOf(file.parent_path());
    if (!bus_.isConnected()) {
        openOrReport(folder);
        return;
    }
    auto call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                               QStringLiteral("/org/freedesktop/FileManager1"),
                                               QStringLiteral("org.freedesktop.FileManager1"),
                                               QStringLiteral("ShowItems"));
    call << QStringList{urlOf(file).toString(QUrl::FullyEncoded)} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, answerTimeoutMs), &context_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &context_,
                     [this, watcher, folder] {
                         watcher->deleteLater();
                         if (watcher->isError())
                             openOrReport(folder);
                     });
}

void FreedesktopFileBrowser::open(const std::filesystem::path& file) {
    openOrReport(urlOf(file));
}

void FreedesktopFileBrowser::openOrReport(const QUrl& url) {
    if (!openUrl_(url))
        std::fprintf(stderr, "dustlyn: nothing could open %s\n",
                     qPrintable(url.toString(QUrl::PreferLocalFile)));
}

} // namespace dustlyn
