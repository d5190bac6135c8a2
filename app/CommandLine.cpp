#include "app/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <array>
#include <iostream>

#include "model/ProductInfo.h"

namespace {

constexpr char kCommandName[] = "vornk-wallpaper-changer";

struct OptionEntry {
    const char* name;
    const char* description;
    CommandLineAction action;
};

constexpr std::array kOptions{
    OptionEntry{"next", "show the next wallpaper", CommandLineAction::NextWallpaper},
    OptionEntry{"previous", "show the previous wallpaper", CommandLineAction::PreviousWallpaper},
    OptionEntry{"show", "bring up the main window", CommandLineAction::ShowWindow},
    OptionEntry{"exit", "end the running copy", CommandLineAction::Exit},
    OptionEntry{"current", "print the path of the current wallpaper",
                CommandLineAction::PrintCurrentWallpaper},
    OptionEntry{"help", "print this help", CommandLineAction::PrintHelp},
    OptionEntry{"version", "print the version", CommandLineAction::PrintVersion},
};

QStringList Arguments(int argc, const char* const* argv) {
    QStringList arguments;
    for (int index = 0; index < argc; ++index) {
        arguments << QString::fromLocal8Bit(argv[index]);
    }
    return arguments;
}

std::string HelpText() {
    std::string text = std::string("Usage: ") + kCommandName + " [OPTION]\n" + product::kName +
                       ": changes the desktop wallpaper. With an option, it acts on the copy "
                       "that runs.\n\n";
    for (const OptionEntry& entry : kOptions) {
        std::string name = std::string("  --") + entry.name;
        name.resize(14, ' ');
        text += name + entry.description + '\n';
    }
    return text;
}

std::string VersionText() {
    return std::string(kCommandName) + ' ' + product::kVersion + '\n';
}

std::string UsageText() {
    return std::string("Usage: ") + kCommandName +
           " [--next | --previous | --show | --exit | --current | --help | --version]\n";
}

}  // namespace

CommandLine::CommandLine(int argc, const char* const* argv) {
    QCommandLineParser parser;
    for (const OptionEntry& entry : kOptions) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(entry.name)));
    }
    if (!parser.parse(Arguments(argc, argv))) {
        action = CommandLineAction::Misuse;
        misuse = parser.errorText().toStdString();
        return;
    }
    if (!parser.positionalArguments().isEmpty()) {
        action = CommandLineAction::Misuse;
        misuse =
            "unexpected argument '" + parser.positionalArguments().constFirst().toStdString() + "'";
        return;
    }
    const QStringList given = parser.optionNames();
    if (given.size() > 1) {
        action = CommandLineAction::Misuse;
        misuse = "one option at a time";
        return;
    }
    for (const OptionEntry& entry : kOptions) {
        if (given.contains(QString::fromLatin1(entry.name))) {
            action = entry.action;
        }
    }
}

std::optional<int> CommandLine::AnswerAlone() const {
    switch (action) {
        case CommandLineAction::PrintHelp:
            std::cout << HelpText();
            return 0;
        case CommandLineAction::PrintVersion:
            std::cout << VersionText();
            return 0;
        case CommandLineAction::Misuse:
            std::cerr << kCommandName << ": " << misuse << '\n' << UsageText();
            return 2;
        default:
            return std::nullopt;
    }
}

std::optional<RemoteRequest> CommandLine::Request() const {
    switch (action) {
        case CommandLineAction::NextWallpaper:
            return RemoteRequest::NextWallpaper;
        case CommandLineAction::PreviousWallpaper:
            return RemoteRequest::PreviousWallpaper;
        case CommandLineAction::ShowWindow:
            return RemoteRequest::ShowWindow;
        case CommandLineAction::Exit:
            return RemoteRequest::Exit;
        default:
            return std::nullopt;
    }
}

// Ending a copy that does not run is no reason to start one.
std::optional<RemoteRequest> CommandLine::StartRequest() const {
    const std::optional<RemoteRequest> request = Request();
    return request == RemoteRequest::Exit ? std::nullopt : request;
}

bool CommandLine::StartsTheProgram() const {
    return action == CommandLineAction::Run || StartRequest().has_value();
}
