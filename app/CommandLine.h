#pragma once

#include <optional>
#include <string>

#include "platform/remote/RemoteRequest.h"

enum class CommandLineAction {
    Run,
    // One of the requests of platform/remote/RemoteRequest.h.
    Request,
    PrintCurrentWallpaper,
    PrintHelp,
    PrintVersion,
    Misuse
};

// The program's options. Read before any GUI object exists, since most of them end the process
// without one.
class CommandLine final {
public:
    CommandLine(int argc, const char* const* argv);

    CommandLineAction Action() const { return action; }
    // Answers the options that need neither the program nor its running copy (help, version, a
    // misuse) on standard output or error; their exit code, otherwise nothing.
    std::optional<int> AnswerAlone() const;
    // The request an option makes of the running copy.
    std::optional<RemoteRequest> Request() const { return request; }
    // What a start of the program itself carries out once it runs.
    std::optional<RemoteRequest> StartRequest() const;
    // False for the options that only ask about or end a copy that runs.
    bool StartsTheProgram() const;

private:
    void Take(const std::string& option);

    CommandLineAction action = CommandLineAction::Run;
    std::optional<RemoteRequest> request;
    std::string misuse;
};
