// Stand-in for manage-bde.exe in the test prefixes: answers "-status" and
// "-protectors -get" as the real one does, and changes nothing. Every call is
// logged, so a test sees that BitLocker was only ever asked.
//
// It is steered by manage-bde.txt beside it (a bare prefix has neither), one
// setting a line:
//   protected yes|no        -status -ProtectionAsErrorLevel ends with 0 or 1
//   recovery {GUID}         a recovery password protector (may repeat)
//   language en|de          the display language of its text
//   -status hang|N          that verb never ends, or fails with exit code N
//   -protectors hang|N
// Its log is manage-bde.log beside it, and manage-bde-printed.log its record
// of what it printed. Into a pipe or a file the text is in
// the OEM code page, on a console Unicode.

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>
#include <shellapi.h>

#include "../common/tool_text.h"

namespace {

using tooltext::Utf8;

struct Settings {
    bool isProtected = false;
    std::vector<std::string> recoveryIds;
    bool german = false;
    std::vector<std::pair<std::string, std::string>> failures;  // verb, "hang" or an exit code
};

std::wstring OwnFolder() {
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.rfind(L'\\'));
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

Settings Load(const std::wstring& folder) {
    Settings settings;
    std::string content;
    if (!tooltext::ReadAll((folder + L"\\manage-bde.txt").c_str(), content)) return settings;
    for (const std::string& line : tooltext::NonEmptyLines(content)) {
        const size_t space = line.find(' ');
        const std::string key = Lower(line.substr(0, space));
        const std::string value = space == std::string::npos ? "" : line.substr(space + 1);
        if (key == "protected") settings.isProtected = Lower(value) == "yes";
        if (key == "recovery") settings.recoveryIds.push_back(value);
        if (key == "language") settings.german = Lower(value) == "de";
        if (!key.empty() && key[0] == '-') settings.failures.emplace_back(key, Lower(value));
    }
    return settings;
}

void Append(const std::wstring& path, const std::string& text) {
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

using tooltext::Print;

std::string Header(const Settings& s) {
    return s.german ? "BitLocker-Laufwerkverschl\xc3\xbcsselung: Konfigurationstool, Version 10.0.22621\n"
                      "Copyright (C) 2013 Microsoft Corporation. Alle Rechte vorbehalten.\n\n"
                    : "BitLocker Drive Encryption: Configuration Tool version 10.0.22621\n"
                      "Copyright (C) 2013 Microsoft Corporation. All rights reserved.\n\n";
}

int Status(const Settings& s, const std::string& drive) {
    std::string text = Header(s);
    if (s.german) {
        text += "Volume \"" + drive +
                "\" [OS]\n[BS-Volume]\n\n"
                "    Gr\xc3\xb6\xc3\x9f"
                "e:                        237,92 GB\n"
                "    BitLocker-Version:            2.0\n"
                "    Konvertierungsstatus:         " +
                std::string(s.isProtected ? "Nur verwendeter Speicherplatz ist verschl\xc3\xbcsselt"
                                          : "Vollst\xc3\xa4ndig entschl\xc3\xbcsselt") +
                "\n    Schutzstatus:                 " +
                (s.isProtected ? "Der Schutz ist aktiviert." : "Der Schutz ist deaktiviert.") + "\n";
    } else {
        text += "Volume " + drive +
                " [OS]\n[OS Volume]\n\n"
                "    Size:                 237.92 GB\n"
                "    BitLocker Version:    2.0\n"
                "    Conversion Status:    " +
                std::string(s.isProtected ? "Used Space Only Encrypted" : "Fully Decrypted") +
                "\n    Protection Status:    " + (s.isProtected ? "Protection On" : "Protection Off") + "\n";
    }
    Print(text);
    return s.isProtected ? 0 : 1;
}

int RecoveryPasswords(const Settings& s, const std::string& drive) {
    std::string text = Header(s);
    if (s.recoveryIds.empty()) {
        Print(text + (s.german ? "FEHLER: Es wurden keine Schl\xc3\xbcsselschutzvorrichtungen gefunden.\n"
                               : "ERROR: No key protectors found.\n"));
        return -1;
    }
    text += s.german ? "Volume \"" + drive +
                           "\" [OS]\nSchl\xc3\xbcsselschutzvorrichtungen vom Typ \"Numerisches Kennwort\"\n\n"
                     : "Volume " + drive + " [OS]\nKey Protectors of Type Numerical Password\n\n";
    for (const std::string& id : s.recoveryIds) {
        text += s.german ? "    Numerisches Kennwort:\n      ID: " + id + "\n      Kennwort:\n"
                         : "    Numerical Password:\n      ID: " + id + "\n      Password:\n";
        text += "        111111-222222-333333-444444-555555-666666-777777-888888\n\n";
    }
    Print(text);
    return 0;
}

int Run(const Settings& s, const std::vector<std::string>& args) {
    const std::string verb = args.empty() ? "" : Lower(args[0]);
    for (const auto& [failing, how] : s.failures) {
        if (failing != verb) continue;
        if (how == "hang")
            for (;;) Sleep(INFINITE);
        Print("ERROR: An error occurred (injected failure " + how + ").\n");
        return std::atoi(how.c_str());
    }
    // Only reading: anything that would change BitLocker is refused here.
    if (verb == "-status" && args.size() == 3 && Lower(args[2]) == "-protectionaserrorlevel") return Status(s, args[1]);
    if (verb == "-protectors" && args.size() == 5 && Lower(args[1]) == "-get" && Lower(args[3]) == "-type" &&
        Lower(args[4]) == "recoverypassword")
        return RecoveryPasswords(s, args[2]);
    Print("ERROR: the stand-in answers only -status and -protectors -get.\n");
    return 87;
}

}  // namespace

int main() {
    const std::wstring folder = OwnFolder();
    tooltext::RecordPath() = folder + L"\\manage-bde-printed.log";
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    std::string line;
    for (int i = 1; argv && i < count; ++i) {
        args.push_back(Utf8(argv[i]));
        line += (i > 1 ? " " : "") + args.back();
    }
    LocalFree(argv);
    Append(folder + L"\\manage-bde.log", line + "\r\n");
    return Run(Load(folder), args);
}
