#include "app/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <iostream>
#include <string_view>
#include <vector>

#include "model/ProductInfo.h"

namespace {

constexpr char kCommandName[] = "vornk-wallpaper-changer";

struct Option {
    std::string_view name;
    std::string_view help;
};

constexpr Option kHelp{"help", "print this help"};
constexpr Option kVersion{"version", "print the version"};

// Every option, in the order the help lists them.
std::vector<Option> Options() {
    std::vector<Option> options;
    for (const RemoteRequestEntry& entry : RemoteRequests()) {
        options.push_back({entry.names.option, entry.names.help});
    }
    options.push_back({CurrentWallpaperQuery().option, CurrentWallpaperQuery().help});
    options.push_back(kHelp);
    options.push_back(kVersion);
    return options;
}

QString Latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

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
    for (const Option& option : Options()) {
        std::string name = "  --" + std::string(option.name);
        name.resize(14, ' ');
        text += name + std::string(option.help) + '\n';
    }
    return text;
}

std::string VersionText() {
    return std::string(kCommandName) + ' ' + product::kVersion + '\n';
}

std::string UsageText() {
    std::string alternatives;
    for (const Option& option : Options()) {
        alternatives += (alternatives.empty() ? "--" : " | --") + std::string(option.name);
    }
    return std::string("Usage: ") + kCommandName + " [" + alternatives + "]\n";
}

}  // namespace

CommandLine::CommandLine(int argc, const char* const* argv) {
    QCommandLineParser parser;
    for (const Option& option : Options()) {
        parser.addOption(QCommandLineOption(Latin1(option.name)));
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
    if (!given.isEmpty()) {
        Take(given.constFirst().toStdString());
    }
}

// The parser has accepted only the names of Options().
void CommandLine::Take(const std::string& option) {
    request = FindRemoteRequest(&RemoteRequestNames::option, option);
    if (request) {
        action = CommandLineAction::Request;
    } else if (option == CurrentWallpaperQuery().option) {
        action = CommandLineAction::PrintCurrentWallpaper;
    } else {
        action =
            option == kHelp.name ? CommandLineAction::PrintHelp : CommandLineAction::PrintVersion;
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

// Ending a copy that does not run is no reason to start one.
std::optional<RemoteRequest> CommandLine::StartRequest() const {
    return request == RemoteRequest::Exit ? std::nullopt : request;
}

bool CommandLine::StartsTheProgram() const {
    return action == CommandLineAction::Run || StartRequest().has_value();
}
