#pragma once

#include "app/instance/ChangeCommands.h"
#include "app/instance/CommandLine.h"
#include "app/instance/CommandOutput.h"

#include <QObject>

#include <filesystem>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace dustlyn {

// The running instance's end of the control socket: commands from `dustlyn` processes of
// the same user are carried out on the main thread, one at a time.
class ControlServer : public QObject {
    Q_OBJECT

public:
    // `progress` is empty unless the caller shows a progress line.
    using Handler = std::function<CommandOutput(const CommandLine&,
                                                const ChangeCommands::ProgressSink& progress)>;

    // Listens at `socketPath` at once; throws FileError when it cannot.
    ControlServer(std::filesystem::path socketPath, Handler handler, QObject* parent = nullptr);
    ~ControlServer() override;

private:
    void acceptOne();
    static ChangeCommands::ProgressSink progressTo(int client);

    std::filesystem::path socketPath_;
    Handler handler_;
    int fd_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace dustlyn
