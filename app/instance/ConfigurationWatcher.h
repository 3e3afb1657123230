#pragma once

#include <QObject>

#include <filesystem>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace dustlyn {

// Tells, without polling, that the configuration file may have been written, replaced or
// removed: inotify on its folder, since an editor (or Dustlyn itself) replaces the file by
// renaming another over it. The folder is made when it is missing. Whether the file really
// changed is for the model to judge.
class ConfigurationWatcher : public QObject {
    Q_OBJECT

public:
    ConfigurationWatcher(std::filesystem::path file, std::function<void()> onChange,
                         QObject* parent = nullptr);
    ~ConfigurationWatcher() override;

    // Watches the folder again if it was removed and made anew since; cheap when it was not.
    void keepWatching();
    bool watching() const { return watch_ >= 0; }

private:
    void readEvents();

    std::filesystem::path file_;
    std::function<void()> onChange_;
    int fd_ = -1;
    int watch_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace dustlyn
