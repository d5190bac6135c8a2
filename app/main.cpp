#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/DisplayPlatform.h"
#include "app/RemoteCommand.h"
#include "app/SettingsFolder.h"
#include "app/SingleInstance.h"
#include "platform/NativeDesktop.h"

int main(int argc, char** argv) {
    const CommandLine commandLine(argc, argv);
    if (const std::optional<int> exitCode = commandLine.AnswerAlone()) {
        return *exitCode;
    }
    // Asking does not take the single-instance lock, which would make a copy starting at the
    // same moment believe that another one runs.
    if (!commandLine.StartsTheProgram()) {
        return CarryOutInRunningCopy(commandLine, false, argc, argv);
    }
    ChooseDisplayPlatform();
    if (commandLine.Action() == CommandLineAction::Run) {
        if (!EnsureSingleInstance(argc, argv)) {
            return 0;
        }
    } else if (IsAnotherCopyRunning()) {
        return CarryOutInRunningCopy(commandLine, true, argc, argv);
    }
    SetUpSettingsFolder();
    return RunApplication(argc, argv, commandLine.StartRequest());
}
