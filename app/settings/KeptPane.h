#pragma once

#include "app/settings/LivePane.h"
#include "app/settings/SettingsServices.h"

#include <filesystem>
#include <string>
#include <vector>

class QLabel;

namespace dustlyn {

class Card;

// One kept file: its name and where it is, "Show" and "Stop keeping".
class KeptRow : public QWidget {
    Q_OBJECT

public:
    KeptRow(std::function<void(const std::string&)> reveal,
            std::function<void(const std::string&)> stopKeeping, QWidget* parent = nullptr);
    void setPin(const std::string& pin, const std::filesystem::path& home);
    const std::string& pin() const { return pin_; }

private:
    std::string pin_;
    QLabel* name_;
    QLabel* path_;
};

// The kept files, which no rule touches, and "Keep a file…".
class KeptPane : public LivePane {
    Q_OBJECT

public:
    KeptPane(AppModel& model, SettingsServices services, QWidget* parent = nullptr);

    // Every entry of `pins` that names the same path as `pin`, however it is spelt
    // ("~/x", "/home/u/x", "/home/u/./x").
    static std::vector<std::string> spellingsOf(const std::vector<std::string>& pins,
                                                const std::string& pin,
                                                const std::filesystem::path& home);

    std::vector<KeptRow*> rows() const;
    void stopKeeping(const std::string& pin);

protected:
    void refresh() override;

private:
    void keepFiles();

    SettingsServices services_;
    QLabel* empty_;
    Card* card_;
    std::vector<std::string> shown_;
    bool drawn_ = false;
};

} // namespace dustlyn
