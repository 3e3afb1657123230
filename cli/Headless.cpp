#include "cli/Headless.h"

#include "app/instance/Instance.h"
#include "app/instance/Plural.h"
#include "app/instance/StopSignals.h"
#include "app/model/AppModel.h"
#include "core/base/ByteCount.h"

#include <QCoreApplication>

#include <iostream>

namespace dustlyn {

namespace {

void printSweep(const QuarantineReport& moved, const PurgeReport& purged) {
    std::string line;
    if (moved.movedCount > 0)
        line = "Moved " + plural(moved.movedCount, "file") + " to quarantine (" +
               formatByteCount(moved.movedSize) + ")";
    if (purged.purgedCount > 0)
        line += (line.empty() ? "Deleted " : "; deleted ") + plural(purged.purgedCount, "file") +
                " from quarantine (" + formatByteCount(purged.purgedSize) + ")";
    if (!line.empty())
        std::cout << line << "\n";
    std::cout.flush();
    for (const auto& outcome : moved.outcomes)
        if (!outcome.success)
            std::cerr << "Could not move " << outcome.original.native() << ": "
                      << outcome.error.value_or("unknown error") << "\n";
    for (const auto& outcome : purged.outcomes)
        if (!outcome.success)
            std::cerr << "Could not delete " << outcome.file.url << ": "
                      << outcome.error.value_or("unknown error") << "\n";
}

} // namespace

int Headless::run(const Environment& environment) {
    StopSignals::block();
    int argc = 1;
    char name[] = "dustlyn";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    std::unique_ptr<Instance> instance;
    try {
        instance = std::make_unique<Instance>(environment, &Instance::noWindows);
    } catch (const InstanceError& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
    for (const auto& notice : instance->model().notices())
        std::cerr << "dustlyn: " << notice << "\n";
    instance->model().onSweepFinished = printSweep;
    StopSignals stopSignals;

    instance->model().start();
    std::cerr << "Dustlyn is running without windows. Stop it with Ctrl+C.\n";
    return app.exec();
}

} // namespace dustlyn
