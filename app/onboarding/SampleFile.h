#pragma once

#include "core/config/UserFolders.h"

#include <QImage>

#include <filesystem>
#include <optional>
#include <string>

namespace dustlyn {

// The onboarding's sample: the logo tile as a picture, written where the user looks for
// new files, so the notch has something real to show and to move.
struct SampleFile {
    static constexpr const char* fileName = "Dustlyn Sample.png";

    // Downloads, else the Desktop, else Dustlyn's own folder: the first that is a folder
    // this user may write in. Nothing when none is.
    static std::optional<std::filesystem::path> folder(const UserFolders& folders);

    // The logo tile at 256 points with 40 points of white around it, at twice the pixels.
    static QImage render();

    // Writes `image` as PNG under the first free name in `folder` ("Dustlyn Sample.png",
    // then "Dustlyn Sample (1).png", ...), never over an existing file. Returns where it
    // went; on failure nothing, with the system's reason in `error`.
    static std::optional<std::filesystem::path> write(const std::filesystem::path& folder,
                                                      const QImage& image, std::string& error);
};

} // namespace dustlyn
