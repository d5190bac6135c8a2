#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "model/WideString.h"
#include "platform/ProgramAutorun.h"

// Starts the program at logon through the user's XDG autostart entry "<value name>.desktop"
// whose Exec is the quoted full path of the running program. An entry of that name that
// starts something else is not ours: it counts as disabled and is never removed.
class LinuxProgramAutorun final : public ProgramAutorun {
public:
    // For the running program, as /proc/self/exe names it.
    explicit LinuxProgramAutorun(WideString valueName);
    // programPath: native (UTF-8) path of the program the entry starts.
    LinuxProgramAutorun(WideString valueName, std::string programPath);

    bool IsEnabled() override;
    void SetEnabled(bool enable) override;

private:
    // Nothing when neither $XDG_CONFIG_HOME nor $HOME names an absolute folder.
    std::optional<std::filesystem::path> EntryPath() const;
    std::string EntryText() const;
    bool CanBeStarted() const;

    WideString valueName;
    std::string programPath;
};
