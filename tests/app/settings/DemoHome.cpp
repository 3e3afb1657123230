#include "tests/app/settings/DemoHome.h"

#include "core/config/ConfigurationStore.h"
#include "core/config/DefaultRules.h"
#include "core/history/HistoryStore.h"
#include "core/quarantine/FileManagerDeleter.h"
#include "core/quarantine/FileManagerMover.h"

#include <QImage>

#include <array>
#include <fstream>
#include <iostream>
#include <string>

namespace dustlyn::testing {

namespace fs = std::filesystem;

namespace {

void write(const fs::path& file, std::size_t bytes, Date modified) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << std::string(bytes, 'd');
    fs::last_write_time(file, fs::file_time_type::clock::from_sys(modified));
}

std::vector<PurgeRule> rules(const UserFolders& folders, int customRules) {
    std::vector<PurgeRule> all = DefaultRules::all(folders);
    all[2].enabled = true; // installers
    all[3].enabled = true; // archives
    const std::array<const char*, 5> names{"Build Leftovers", "Old Logs", "Desktop - Exports",
                                           "Camera Imports", "Downloads - Videos"};
    for (int i = 0; i < customRules; ++i) {
        PurgeRule rule;
        rule.id = Uuid::random();
        rule.name = std::string(names[static_cast<std::size_t>(i) % names.size()]) +
                    (i < static_cast<int>(names.size()) ? "" : " " + std::to_string(i));
        rule.enabled = i % 3 != 2;
        rule.folders = {"~/Projects/p" + std::to_string(i)};
        if (i % 2 == 1)
            rule.folders.push_back("~/Downloads");
        rule.matchers = {FileMatcher::extensionMatch("log"), FileMatcher::glob("*.tmp")};
        rule.ageThreshold = (i % 4 + 1) * 86400.0;
        all.push_back(rule);
    }
    return all;
}

std::vector<HistoryEntry> history(const UserFolders& folders, Date now, int count,
                                  const fs::path& quarantine) {
    const std::array<const char*, 8> files{
        "Screenshot 2026-05-02 at 09.14.55.png",
        "ubuntu-24.04-desktop-amd64.iso",
        "invoice-0423.pdf",
        "Screen Recording 2026-05-03.mp4",
        "photos-from-lisbon.zip",
        "slack-desktop-4.38.125-amd64.deb",
        "meeting notes (final) v3 — with the very long name that needs shortening.docx",
        "Screencast from 2026-05-04 10-12-00.webm"};
    const std::array<const char*, 4> ruleNames{"Screenshots", "Downloads - Installers",
                                               "Desktop - Documents", ""};
    std::vector<HistoryEntry> entries;
    const double span = 40 * 86400.0;
    for (int i = 0; i < count; ++i) {
        const std::string name = files[static_cast<std::size_t>(i) % files.size()];
        const bool inDownloads = i % 3 == 1;
        const fs::path origin = folders.home / (inDownloads ? "Downloads" : "Desktop") / name;
        HistoryEntry entry;
        entry.id = Uuid::random();
        entry.date = dateAfter(now, -span + span * (i + 1) / (count + 1));
        entry.kind = static_cast<HistoryEntry::Kind>(i % 3);
        entry.originalPath = origin.native();
        entry.quarantinePath = (quarantine / (std::to_string(i) + " " + name)).native();
        entry.size = (static_cast<std::int64_t>(i) * 7919 % 5000 + 1) * 1000 * (i % 5 + 1);
        entry.ruleName = entry.kind == HistoryEntry::Kind::quarantined
                             ? ruleNames[static_cast<std::size_t>(i) % ruleNames.size()]
                             : "";
        entries.push_back(entry);
    }
    // The newest quarantined entries can still be restored.
    int restorable = 0;
    for (auto it = entries.rbegin(); it != entries.rend() && restorable < 4; ++it) {
        if (it->kind != HistoryEntry::Kind::quarantined)
            continue;
        write(it->quarantinePath, static_cast<std::size_t>(it->size % 100000), it->date);
        ++restorable;
    }
    return entries;
}

} // namespace

void DemoHome::build(const UserFolders& folders, Date now, int historyEntries, int customRules) {
    const fs::path home = folders.home;
    const fs::path quarantine = ConfigurationStore::supportDirectory(folders) / "Quarantine";
    fs::create_directories(quarantine);
    write(home / "Desktop/Screenshot 2026-05-28 at 10.12.03.png", 412'000, dateAfter(now, -240));
    write(home / "Desktop/Screenshot 2026-05-28 at 10.13.40.png", 388'000, dateAfter(now, -150));
    write(home / "Desktop/Notes.txt", 2'000, dateAfter(now, -86400 * 30.0));
    write(home / "Downloads/slack-desktop-4.38.125-amd64.deb", 72'400'000,
          dateAfter(now, -3600 * 20.0));
    write(home / "Downloads/photos-from-lisbon.zip", 184'000'000, dateAfter(now, -86400 * 2.0));
    write(home / "Documents/Taxes 2025.pdf", 1'200'000, dateAfter(now, -86400 * 90.0));
    write(home / "Pictures/wedding.jpg", 5'600'000, dateAfter(now, -86400 * 400.0));

    Configuration config = Configuration::defaults(folders);
    config.rules = rules(folders, customRules);
    config.pins = {"~/Documents/Taxes 2025.pdf", (home / "Pictures/wedding.jpg").native(),
                   "~/Desktop/Notes.txt"};
    config.onboardingCompleted = true;
    ConfigurationStore::defaultStore(folders).save(config);
    HistoryStore::defaultStore(folders).save(history(folders, now, historyEntries, quarantine));
}

std::unique_ptr<AppModel> standardModel(const UserFolders& folders) {
    auto model = std::make_unique<AppModel>(
        ConfigurationStore::defaultStore(folders), std::nullopt,
        Purger(std::make_shared<FileManagerMover>(), std::make_shared<FileManagerDeleter>()),
        nullptr, nullptr, AppModelServices::standard(folders));
    model->refresh();
    return model;
}

bool savePicture(const QImage& image, const QString& file) {
    if (image.save(file))
        return true;
    std::cerr << "could not write " << file.toStdString() << "\n";
    return false;
}

} // namespace dustlyn::testing
