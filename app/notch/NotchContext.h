#pragma once

namespace dustlyn {

class AppModel;
class FileBrowser;
class LeavingSnapshot;
class NotchController;
class NotchViewModel;
class ThumbnailCache;

// What every view of the notch reads and calls: the state to draw, the controller for the
// notch's commands, the model for the open panel's own actions, and the desktop's pictures
// and file browser.
struct NotchContext {
    NotchController& controller;
    NotchViewModel& vm;
    AppModel& model;
    LeavingSnapshot& leaving;
    ThumbnailCache& thumbnails;
    FileBrowser& fileBrowser;
};

} // namespace dustlyn
