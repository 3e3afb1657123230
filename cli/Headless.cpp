#include "cli/Headless.h"

#include "app/instance/Instance.h"
#include "app/instance/StopSignals.h"
#include "app/instance/SweepLines.h"
#include "app/model/AppModel.h"
#include "cli/LogLines.h"

#include <QCoreApplication>

namespace dustlyn {

namespace {

void printSweep(const AppModel& model, const LogLines& log, SweepLines::Detail detail,
                const QuarantineReport& moved, const PurgeReport& purged) {
    // "Nothing was due" every few minutes would bury the reports that matter, even in detail.
    if (detail == SweepLines::Detail::verbose && moved.outcomes.empty() && purged.outcomes.empty())
        return;
    const CommandOutput output =
        SweepLines::describe(moved, purged, model.lastSweepID(), model.history(), detail);
    log.out(LogLines::Priority::info, output.out);
    log.err(LogLines::Priority::error, output.err);
}

} // namespace

int Headless::run(const Environment& environment, const CommandLine& line) {
    StopSignals::block();
    int argc = 1;
    char name[] = "dustlyn";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const LogLines log(environment.journalStream);

    std::unique_ptr<Instance> instance;
    try {
        instance = std::make_unique<Instance>(environment, &Instance::noWindows);
    } catch (const InstanceError& error) {
        log.err(LogLines::Priority::error, std::string(error.what()) + "\n");
        return 1;
    }
    AppModel& model = instance->model();
    for (const auto& notice : model.notices())
        log.err(LogLines::Priority::warning, "dustlyn: " + notice + "\n");
    model.onNotice = [&log](const std::string& text) {
        log.err(LogLines::Priority::warning, "dustlyn: " + text + "\n");
    };
    model.onSweepFinished = [&model, &log, detail = SweepLines::detailAsked(line)](
                                const QuarantineReport& moved, const PurgeReport& purged) {
        printSweep(model, log, detail, moved, purged);
    };
    StopSignals stopSignals;

    model.start();
    log.err(LogLines::Priority::notice, log.toJournal()
                                            ? "Dustlyn is running without windows.\n"
                                            : "Dustlyn is running without windows. Stop it "
                                              "with Ctrl+C.\n");
    return app.exec();
}

} // namespace dustlyn
