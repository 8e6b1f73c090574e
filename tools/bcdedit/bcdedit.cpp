// Stand-in for bcdedit.exe in the test prefixes. It keeps boot elements in a
// text file and logs every call, so a test can see what Quorvine asked for and
// what the boot configuration would now be.
//
// The paths are fixed: Quorvine starts it again after a simulated restart, from
// a RunOnce entry, with none of the test's environment.
//
// Files in C:\bcdstub that a test writes to steer it:
//   fail.txt      one line per verb: "/set 5" makes /set exit with 5 (259, the
//                 code of a process still running, works too), "/enum hang"
//                 makes /enum never exit, as a stuck bcdedit would, and
//                 "/enum cut 2" prints only the listing's first two lines and
//                 exits with 0, as a listing cut short on its way would.
//   language.txt  "de", "fr", "es" or "ru": /enum prints yes/no values in that
//                 display language ("Ja"/"Nein"...); English otherwise. Element
//                 names and values such as Minimal stay as they are.
// Into a pipe or a file the output is in the OEM code page, as bcdedit's is;
// on a console it is written as Unicode.

#include <cstdio>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>
#include <shellapi.h>

#include "../common/tool_text.h"

namespace {

using tooltext::ReadAll;
using tooltext::Utf8;

#ifdef QV_BCDEDIT_DECOY
constexpr bool kDecoy = true;
#else
constexpr bool kDecoy = false;
#endif

constexpr wchar_t kFolder[] = L"C:\\bcdstub";
constexpr wchar_t kStorePath[] = L"C:\\bcdstub\\store.txt";
constexpr wchar_t kLogPath[] = L"C:\\bcdstub\\calls.log";
constexpr wchar_t kFailPath[] = L"C:\\bcdstub\\fail.txt";
constexpr wchar_t kDecoyLogPath[] = L"C:\\bcdstub\\decoy.log";
constexpr wchar_t kLanguagePath[] = L"C:\\bcdstub\\language.txt";

constexpr char kSuccess[] = "The operation completed successfully.";
constexpr char kNotFound[] = "An error has occurred while attempting to delete the element.\nElement not found.";
constexpr char kBadParameter[] = "The parameter is incorrect.\nRun \"bcdedit /?\" for command line assistance.";

using Store = std::vector<std::pair<std::string, std::string>>;

bool WriteAll(const wchar_t* path, const std::string& content, bool append) {
    HANDLE file = CreateFileW(path, append ? FILE_APPEND_DATA : GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              append ? OPEN_ALWAYS : CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
              written == content.size();
    CloseHandle(file);
    return ok;
}

// UTF-8 text to stdout with CR LF line ends: Unicode on a console, the OEM
// code page otherwise (a caller reading a pipe decodes it so).
void Print(const std::string& text) {
    std::wstring wide;
    for (wchar_t c : tooltext::Wide(text)) {
        if (c == L'\n') wide += L'\r';
        wide += c;
    }
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    int size =
        WideCharToMultiByte(CP_OEMCP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string oem(size > 0 ? size : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_OEMCP, 0, wide.data(), static_cast<int>(wide.size()), oem.data(), size, nullptr,
                            nullptr);
    WriteFile(out, oem.data(), static_cast<DWORD>(oem.size()), &written, nullptr);
}

void Say(const char* text) { Print(std::string(text) + "\n"); }

// The command line after the program name, exactly as the caller wrote it.
std::wstring ArgumentsOf(const wchar_t* commandLine) {
    const wchar_t* p = commandLine;
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p) ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

Store LoadStore() {
    Store store;
    std::string content;
    if (!ReadAll(kStorePath, content)) return store;
    for (const std::string& line : tooltext::NonEmptyLines(content)) {
        size_t space = line.find(' ');
        if (space == std::string::npos)
            store.emplace_back(line, "");
        else
            store.emplace_back(line.substr(0, space), line.substr(space + 1));
    }
    return store;
}

std::string Serialize(const Store& store) {
    std::string content;
    for (const auto& [name, value] : store) content += name + " " + value + "\r\n";
    return content;
}

// "/SET", "-set" and "/set" are the same verb to bcdedit.
std::string VerbOf(const std::wstring& argument) {
    std::string verb = Lower(Utf8(argument));
    if (!verb.empty() && verb[0] == '-') verb[0] = '/';
    return verb;
}

constexpr int kHang = -1;
constexpr int kCut = -2;
int cutAfterLines = 0;

// Exit code that fail.txt asks this verb to fail with, kHang, kCut, or 0.
int InjectedFailure(const std::string& verb) {
    std::string content;
    if (!ReadAll(kFailPath, content)) return 0;
    for (const std::string& line : tooltext::NonEmptyLines(content)) {
        size_t space = line.find(' ');
        if (space != std::string::npos && VerbOf(std::wstring(line.begin(), line.begin() + space)) == verb) {
            if (Lower(line.substr(space + 1)).rfind("hang", 0) == 0) return kHang;
            if (Lower(line.substr(space + 1)).rfind("cut ", 0) == 0) {
                cutAfterLines = std::atoi(line.c_str() + space + 5);
                return kCut;
            }
            int code = std::atoi(line.c_str() + space + 1);
            if (code != 0) return code;
        }
    }
    return 0;
}

// Yes and No as bcdedit prints them in the display language of language.txt.
std::pair<std::string, std::string> YesNo() {
    static const char* const kWords[][3] = {
        {"de", "Ja", "Nein"},
        {"fr", "Oui", "Non"},
        {"es", "S\xc3\xad", "No"},
        {"ru", "\xd0\x94\xd0\xb0", "\xd0\x9d\xd0\xb5\xd1\x82"},
    };
    std::string language;
    if (ReadAll(kLanguagePath, language)) {
        std::vector<std::string> lines = tooltext::NonEmptyLines(language);
        language = lines.empty() ? "" : Lower(lines[0]);
        while (!language.empty() && (language.back() == ' ' || language.back() == '\t')) language.pop_back();
        for (const auto& words : kWords)
            if (language == words[0]) return {words[1], words[2]};
    }
    return {"Yes", "No"};
}

// A value as /enum shows it: booleans in the display language, the rest as stored.
std::string Shown(const std::string& value, const std::pair<std::string, std::string>& yesNo) {
    std::string lower = Lower(value);
    if (lower == "true" || lower == "yes" || lower == "on" || lower == "1") return yesNo.first;
    if (lower == "false" || lower == "no" || lower == "off" || lower == "0") return yesNo.second;
    return value;
}

int Enumerate(const Store& store) {
    std::pair<std::string, std::string> yesNo = YesNo();
    std::string text = "Windows Boot Loader\n-------------------\n";
    text += "identifier              {current}\n";
    for (const auto& [name, value] : store) {
        std::string padded = name;
        padded.resize(name.size() < 24 ? 24 : name.size() + 1, ' ');
        text += padded + Shown(value, yesNo) + "\n";
    }
    if (cutAfterLines > 0) {
        size_t end = 0;
        for (int i = 0; i < cutAfterLines && end != std::string::npos; ++i) end = text.find('\n', end + (i > 0));
        if (end != std::string::npos) text.resize(end + 1);
    }
    Print(text);
    return 0;
}

int Run(const std::vector<std::wstring>& args) {
    if (args.empty()) return Enumerate(LoadStore());
    std::string verb = VerbOf(args[0]);
    if (int code = InjectedFailure(verb); code != 0 && code != kCut) {
        if (code == kHang)
            for (;;) Sleep(INFINITE);
        Print("An error has occurred (injected failure " + std::to_string(code) + ").\n");
        return code;
    }
    // An optional identifier such as {current} may follow the verb.
    size_t first = (args.size() > 1 && !args[1].empty() && args[1][0] == L'{') ? 2 : 1;
    size_t operands = args.size() - first;

    Store store = LoadStore();
    if (verb == "/enum") return Enumerate(store);
    if (verb == "/set" && operands == 2) {
        std::string name = Lower(Utf8(args[first]));
        std::string value = Utf8(args[first + 1]);
        bool found = false;
        for (auto& element : store)
            if (element.first == name) {
                element.second = value;
                found = true;
            }
        if (!found) store.emplace_back(name, value);
        if (!WriteAll(kStorePath, Serialize(store), false)) {
            Say("The boot configuration data store could not be opened.");
            return 1;
        }
        Say(kSuccess);
        return 0;
    }
    if (verb == "/deletevalue" && operands == 1) {
        std::string name = Lower(Utf8(args[first]));
        Store kept;
        for (const auto& element : store)
            if (element.first != name) kept.push_back(element);
        if (kept.size() == store.size()) {
            Say(kNotFound);
            return 1;
        }
        if (!WriteAll(kStorePath, Serialize(kept), false)) {
            Say("The boot configuration data store could not be opened.");
            return 1;
        }
        Say(kSuccess);
        return 0;
    }
    if (verb == "/export" && args.size() == 2) {
        if (!WriteAll(args[1].c_str(), Serialize(store), false)) {
            Say("An error occurred while attempting to export the store.");
            return 1;
        }
        Say(kSuccess);
        return 0;
    }
    Say(kBadParameter);
    return 1;
}

}  // namespace

int main() {
    CreateDirectoryW(kFolder, nullptr);
    std::wstring arguments = ArgumentsOf(GetCommandLineW());

    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> args;
    for (int i = 1; argv && i < count; ++i) args.emplace_back(argv[i]);
    LocalFree(argv);

    if (kDecoy) {
        WriteAll(kDecoyLogPath, Utf8(arguments) + "\r\n", true);
        Say("bcdedit decoy: reached through WOW64 file system redirection.");
        return 1;
    }
    WriteAll(kLogPath, Utf8(arguments) + "\r\n", true);
    return Run(args);
}
