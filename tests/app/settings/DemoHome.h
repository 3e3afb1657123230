#pragma once

#include "app/model/AppModel.h"
#include "core/base/Date.h"
#include "core/config/UserFolders.h"

#include <QString>

#include <memory>

class QImage;

namespace dustlyn::testing {

// A home as a user who has run Dustlyn for a while has it: the built-in rules (some on,
// some off) and `customRules` more, files waiting on the Desktop and in Downloads,
// kept files (one spelt with "~", one with the full path), quarantined files that can be
// restored, and `historyEntries` entries of every kind over the last weeks.
struct DemoHome {
    static void build(const UserFolders& folders, Date now, int historyEntries, int customRules);
};

// The model over the home as the application makes it: real moves, the system clock.
std::unique_ptr<AppModel> standardModel(const UserFolders& folders);

// Writes the picture to `file`; says on stderr when it cannot.
bool savePicture(const QImage& image, const QString& file);

} // namespace dustlyn::testing
