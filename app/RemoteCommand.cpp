#include "app/RemoteCommand.h"

#include <QCoreApplication>

#include <iostream>
#include <vector>

#include "app/CommandLine.h"
#include "model/ProductInfo.h"
#include "platform/remote/RemoteControlClient.h"

namespace {

int ReportFailure(RemoteOutcome outcome) {
    // Without a way in, only the single-instance lock can tell whether a copy runs.
    if (outcome == RemoteOutcome::NoCopyRuns || !IsRunningCopyPresent()) {
        std::cerr << product::kName << " is not running\n";
    } else {
        std::cerr << "Cannot reach the running copy of " << product::kName << '\n';
    }
    return 1;
}

// A line for each monitor's picture when they differ, else the one line.
int PrintCurrentWallpapers() {
    std::vector<WideString> current;
    const RemoteOutcome outcome = QueryCurrentWallpapers(current);
    if (outcome != RemoteOutcome::Taken) {
        return ReportFailure(outcome);
    }
    if (current.empty()) {
        return 1;
    }
    // A name that is not UTF-8 keeps its own bytes, so that the path printed names the file.
    for (const WideString& path : current) {
        std::cout << ToUtf8Escaped(path) << '\n';
    }
    return 0;
}

}  // namespace

int CarryOutInRunningCopy(const CommandLine& commandLine, bool copyRuns, int& argc, char** argv) {
    // The bus connection wants an application object; a core one opens no window.
    const QCoreApplication application(argc, argv);
    const std::optional<RemoteRequest> request = commandLine.Request();
    if (!request) {
        return PrintCurrentWallpapers();
    }
    const RemoteOutcome outcome = SendRemoteRequest(*request, copyRuns);
    return outcome == RemoteOutcome::Taken ? 0 : ReportFailure(outcome);
}
