#include "platform/linux/LinuxProgramAutorun.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include <boost/filesystem/exception.hpp>

#include "platform/FileReplacement.h"
#include "platform/NativeDesktop.h"
#include "platform/linux/NativePath.h"
#include "platform/linux/change/RunningProgram.h"

namespace fs = std::filesystem;

namespace {

constexpr char kGroupHeader[] = "[Desktop Entry]";

// The characters that a string value holds only behind a backslash, by their escape letters.
const std::map<char, char> kStringEscapes = {
    {'\\', '\\'}, {'n', '\n'}, {'t', '\t'}, {'r', '\r'}, {'s', ' '}};

std::string EscapeString(const std::string& value) {
    std::string escaped;
    for (const char c : value) {
        const auto escape = std::find_if(kStringEscapes.begin(), kStringEscapes.end(),
                                         [c](const auto& entry) { return entry.second == c; });
        // A blank needs its escape only at the start, where it would be taken for padding.
        if (escape != kStringEscapes.end() && (c != ' ' || escaped.empty())) {
            escaped += '\\';
            escaped += escape->first;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::optional<std::string> UnescapeString(const std::string& value) {
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            text += value[i];
            continue;
        }
        if (++i == value.size() || !kStringEscapes.contains(value[i])) {
            return std::nullopt;
        }
        text += kStringEscapes.at(value[i]);
    }
    return text;
}

// One argument of Exec: in double quotes, '"', '`', '$' and '\' behind a backslash, and '%'
// doubled because a single one starts a field code.
std::string QuoteExecArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
        if (c == '%') {
            quoted += '%';
        }
    }
    return quoted + "\"";
}

// "%%" becomes '%'; any other field code means the command line is not a plain program.
std::optional<std::string> ExpandPercentEscapes(const std::string& exec) {
    std::string expanded;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        if (exec[i] == '%') {
            if (++i == exec.size() || exec[i] != '%') {
                return std::nullopt;
            }
        }
        expanded += exec[i];
    }
    return expanded;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// Appends the text of the double quotes opened at `open`, where a backslash escapes only '"',
// '`', '$' and '\'. Returns the position of the closing quote, npos when it is missing.
std::size_t ReadDoubleQuoted(const std::string& line, std::size_t open, std::string& argument) {
    for (std::size_t i = open + 1; i < line.size(); ++i) {
        if (line[i] == '"') {
            return i;
        }
        const bool escaped = line[i] == '\\' && i + 1 < line.size() &&
                             std::string("\"`$\\").find(line[i + 1]) != std::string::npos;
        if (escaped) {
            ++i;
        }
        argument += line[i];
    }
    return std::string::npos;
}

std::size_t ReadSingleQuoted(const std::string& line, std::size_t open, std::string& argument) {
    const std::size_t close = line.find('\'', open + 1);
    if (close != std::string::npos) {
        argument.append(line, open + 1, close - open - 1);
    }
    return close;
}

// Splits a command line into its arguments as the desktop does: blanks outside quotes separate
// them, quotes group, a backslash outside quotes takes the next character literally.
std::optional<std::vector<std::string>> SplitCommandLine(const std::string& line) {
    std::vector<std::string> arguments;
    std::optional<std::string> current;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (IsBlank(c)) {
            if (current) {
                arguments.push_back(std::move(*current));
                current.reset();
            }
            continue;
        }
        std::string& argument = current ? *current : current.emplace();
        if (c == '"' || c == '\'') {
            i = c == '"' ? ReadDoubleQuoted(line, i, argument)
                         : ReadSingleQuoted(line, i, argument);
            if (i == std::string::npos) {
                return std::nullopt;
            }
        } else if (c == '\\' && i + 1 < line.size()) {
            argument += line[++i];
        } else {
            argument += c;
        }
    }
    if (current) {
        arguments.push_back(std::move(*current));
    }
    return arguments;
}

std::optional<std::vector<std::string>> ParseExec(const std::string& value) {
    const auto unescaped = UnescapeString(value);
    const auto expanded = unescaped ? ExpandPercentEscapes(*unescaped) : std::nullopt;
    return expanded ? SplitCommandLine(*expanded) : std::nullopt;
}

std::string TrimBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// The raw values of the keys of the [Desktop Entry] group; the first of a repeated key counts.
std::map<std::string, std::string> ReadEntryKeys(const fs::path& file) {
    std::map<std::string, std::string> keys;
    std::ifstream stream(file, std::ios::binary);
    bool inEntryGroup = false;
    for (std::string line; std::getline(stream, line);) {
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            inEntryGroup = line == kGroupHeader;
            continue;
        }
        const auto equals = line.find('=');
        if (inEntryGroup && equals != std::string::npos) {
            keys.emplace(TrimBlanks(line.substr(0, equals)), TrimBlanks(line.substr(equals + 1)));
        }
    }
    return keys;
}

bool SwitchedOff(const std::map<std::string, std::string>& keys) {
    const auto hidden = keys.find("Hidden");
    const auto enabled = keys.find("X-GNOME-Autostart-enabled");
    return (hidden != keys.end() && hidden->second == "true") ||
           (enabled != keys.end() && enabled->second == "false");
}

// In one step, so that a crash never leaves half an entry. A failure leaves the old state, which
// IsEnabled then reports.
void WriteEntry(const fs::path& file, const std::string& text) {
    try {
        ReplaceFileAtomically(file.string(), text);
    } catch (const boost::filesystem::filesystem_error&) {
    }
}

}  // namespace

std::unique_ptr<ProgramAutorun> CreateProgramAutorun(const WideString& name) {
    return std::make_unique<LinuxProgramAutorun>(name);
}

LinuxProgramAutorun::LinuxProgramAutorun(WideString valueName)
    : LinuxProgramAutorun(std::move(valueName), RunningProgramPath()) {}

LinuxProgramAutorun::LinuxProgramAutorun(WideString valueName, std::string programPath)
    : valueName(std::move(valueName)), programPath(std::move(programPath)) {}

bool LinuxProgramAutorun::IsEnabled() {
    const auto entry = EntryPath();
    if (!entry || !CanBeStarted()) {
        return false;
    }
    const auto keys = ReadEntryKeys(*entry);
    const auto exec = keys.find("Exec");
    if (exec == keys.end() || SwitchedOff(keys)) {
        return false;
    }
    return ParseExec(exec->second) == std::vector<std::string>{programPath};
}

void LinuxProgramAutorun::SetEnabled(bool enable) {
    const auto entry = EntryPath();
    // Already as asked: enabling twice writes once, and an entry that is not ours stays.
    if (!entry || !CanBeStarted() || enable == IsEnabled()) {
        return;
    }
    std::error_code ignored;
    if (enable) {
        fs::create_directories(entry->parent_path(), ignored);
        WriteEntry(*entry, EntryText());
    } else {
        fs::remove(*entry, ignored);
    }
}

std::optional<fs::path> LinuxProgramAutorun::EntryPath() const {
    const auto configFolder = GetApplicationDataFolder();
    if (!configFolder) {
        return std::nullopt;
    }
    return fs::path(ToNativeBytes(*configFolder)) / "autostart" / (ToUtf8(valueName) + ".desktop");
}

std::string LinuxProgramAutorun::EntryText() const {
    std::string text = std::string(kGroupHeader) + "\n";
    text += "Type=Application\n";
    text += "Name=" + EscapeString(ToUtf8(valueName)) + "\n";
    text += "Exec=" + EscapeString(QuoteExecArgument(programPath)) + "\n";
    text += "Terminal=false\n";
    text += "X-GNOME-Autostart-enabled=true\n";
    return text;
}

bool LinuxProgramAutorun::CanBeStarted() const {
    // A desktop entry is UTF-8 text: a path that is not UTF-8 cannot be written into one.
    return !programPath.empty() && ToUtf8(FromUtf8(programPath)) == programPath;
}
