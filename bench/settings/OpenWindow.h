#pragma once

#include <string>

namespace dustlyn::bench {

// The measured side: one process that opens a window and reports, on standard output,
//   platform=xcb window_ms=… model_ms=… frame_ns=…
// (frame_ns on the monotonic clock, so the caller can time the whole process), then
// "ready". With `stay`, it keeps the window open until it is stopped.
//   kind "bare": a plain 820 × 600 Qt window with a label;
//   kind "settings": the settings window on `pane` over the model of the home `home`.
int openWindow(const std::string& kind, const std::string& home, const std::string& pane, bool stay,
               int argc, char** argv);

} // namespace dustlyn::bench
