// Stand-in for bcdedit.exe in the test prefixes. It keeps boot entries in a
// text file and logs every call, so a test can see what Quorvine asked for and
// what the boot configuration would now be.
//
// store.txt: the running entry's elements first, one "name value" a line (all
// a store held before it kept more entries); then each further entry as a line
// "[{identifier}]" and its elements. "[{bootmgr}]" is the boot manager
// (displayorder, bootsequence: identifiers separated by blanks); without it the
// defaults below stand. /copy, /delete, /displayorder, /bootsequence and
// /enum {id} work on them; "/qv-start FILE" (not logged, for the rig's restart)
// plays the boot manager: writes the entry it starts to FILE and forgets the
// one-time sequence, as Windows does.
//
// As Windows does, the store is also kept as the registry hive HKLM\BCD00000000
// (64-bit view): Objects\{guid}\Elements\<element type>, value "Element". It
// is written anew from store.txt at every call and after every change, so a
// test that writes store.txt itself finds the hive in step at the next call.
// The running entry is stored as {current} with the identifier kCurrentGuid;
// after "/qv-start" started another entry, running.txt names it, and
// {current} (and a call naming no entry) means that one until the next start.
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
// printed.log beside them is its own record of everything it printed (see
// tooltext::Print), for the rig to tell output lost on its way.
// Into a pipe or a file the output is in the OEM code page, as bcdedit's is;
// on a console it is written as Unicode.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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
constexpr wchar_t kRunningPath[] = L"C:\\bcdstub\\running.txt";
constexpr wchar_t kHiveKey[] = L"BCD00000000";
constexpr wchar_t kHiveNote[] = L"Stand-in store";  // the store.txt the hive was last written from
constexpr wchar_t kPrintedPath[] = L"C:\\bcdstub\\printed.log";

constexpr char kSuccess[] = "The operation completed successfully.";
constexpr char kNotFound[] = "An error has occurred while attempting to delete the element.\nElement not found.";
constexpr char kBadParameter[] = "The parameter is incorrect.\nRun \"bcdedit /?\" for command line assistance.";

using Elements = std::vector<std::pair<std::string, std::string>>;
struct Entry {
    std::string id;  // "{current}", "{bootmgr}" or a copy's "{guid}"
    Elements elements;
};
using Entries = std::vector<Entry>;  // [0] is always {current}

constexpr char kCurrent[] = "{current}";
constexpr char kBootMgr[] = "{bootmgr}";
constexpr char kCurrentGuid[] = "{3f1c8a52-6d0e-11ee-8c99-0242ac120002}";
constexpr char kBootMgrGuid[] = "{9dea862c-5cdd-4e70-acc1-f32b344d4795}";
constexpr char kNoEntry[] =
    "An error has occurred while attempting to reference the specified entry.\nThe system cannot find the file "
    "specified.";

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

using tooltext::Print;

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

// The boot manager as a store without its own section has it.
Elements DefaultBootManager() { return {{"default", kCurrent}, {"displayorder", kCurrent}, {"timeout", "30"}}; }

Entries LoadStore() {
    Entries entries{{kCurrent, {}}, {kBootMgr, DefaultBootManager()}};
    std::string content;
    if (!ReadAll(kStorePath, content)) return entries;
    Entry* into = &entries[0];
    for (const std::string& line : tooltext::NonEmptyLines(content)) {
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            std::string id = line.substr(1, line.size() - 2);
            if (id == kBootMgr) {
                entries[1].elements.clear();
                into = &entries[1];
            } else {
                entries.push_back({id, {}});
                into = &entries.back();
            }
            continue;
        }
        size_t space = line.find(' ');
        if (space == std::string::npos)
            into->elements.emplace_back(line, "");
        else
            into->elements.emplace_back(line.substr(0, space), line.substr(space + 1));
    }
    return entries;
}

std::string Serialize(const Entries& entries) {
    std::string content;
    for (const Entry& entry : entries) {
        // A store that only ever held the running entry's elements stays as it was.
        if (entry.id == kBootMgr && entry.elements == DefaultBootManager()) continue;
        if (entry.id != kCurrent) content += "[" + entry.id + "]\r\n";
        for (const auto& [name, value] : entry.elements) content += name + " " + value + "\r\n";
    }
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

// The display language of language.txt ("de", ...), or "" for English.
std::string Language() {
    std::string language;
    if (!ReadAll(kLanguagePath, language)) return "";
    std::vector<std::string> lines = tooltext::NonEmptyLines(language);
    language = lines.empty() ? "" : Lower(lines[0]);
    while (!language.empty() && (language.back() == ' ' || language.back() == '\t')) language.pop_back();
    return language;
}

// Yes and No as bcdedit prints them in the display language of language.txt.
std::pair<std::string, std::string> YesNo() {
    static const char* const kWords[][3] = {
        {"de", "Ja", "Nein"},
        {"fr", "Oui", "Non"},
        {"es", "S\xc3\xad", "No"},
        {"ru", "\xd0\x94\xd0\xb0", "\xd0\x9d\xd0\xb5\xd1\x82"},
    };
    const std::string language = Language();
    for (const auto& words : kWords)
        if (language == words[0]) return {words[1], words[2]};
    return {"Yes", "No"};
}

// A value as /enum shows it: booleans in the display language, the rest as stored.
std::string Shown(const std::string& value, const std::pair<std::string, std::string>& yesNo) {
    std::string lower = Lower(value);
    if (lower == "true" || lower == "yes" || lower == "on" || lower == "1") return yesNo.first;
    if (lower == "false" || lower == "no" || lower == "off" || lower == "0") return yesNo.second;
    return value;
}

// /copy's sentence in the display language; the identifier is the only part a caller may read.
std::string CopiedSentence(const std::string& id) {
    const std::string language = Language();
    if (language == "de") return "Der Eintrag wurde erfolgreich in " + id + " kopiert.";
    if (language == "fr")
        return "L'entr\xc3\xa9"
               "e a \xc3\xa9t\xc3\xa9 copi\xc3\xa9"
               "e dans " +
               id + ".";
    if (language == "es") return "La entrada se copi\xc3\xb3 correctamente en " + id + ".";
    if (language == "ru")
        return "\xd0\x97\xd0\xb0\xd0\xbf\xd0\xb8\xd1\x81\xd1\x8c \xd1\x81\xd0\xba\xd0\xbe\xd0\xbf\xd0\xb8\xd1\x80"
               "\xd0\xbe\xd0\xb2\xd0\xb0\xd0\xbd\xd0\xb0 \xd0\xb2 " +
               id + ".";
    return "The entry was successfully copied to " + id + ".";
}

// A fresh identifier in bcdedit's lower-case form.
std::string NewId() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    unsigned long long state = static_cast<unsigned long long>(counter.QuadPart) ^
                               (static_cast<unsigned long long>(GetCurrentProcessId()) << 32) ^ GetTickCount64();
    auto next = [&state] {  // splitmix64
        unsigned long long z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    };
    unsigned long long high = next(), low = next();
    char text[40];
    std::snprintf(text, sizeof text, "{%08llx-%04llx-%04llx-%04llx-%012llx}", high >> 32, (high >> 16) & 0xffff,
                  high & 0xffff, low >> 48, low & 0xffffffffffffULL);
    return text;
}

// An entry by the name store.txt gives it; a missing entry is null.
Entry* Stored(Entries& entries, const std::string& id) {
    for (Entry& entry : entries)
        if (entry.id == Lower(id)) return &entry;
    return nullptr;
}

// The entry the last start started: running.txt's, else the stored {current}.
Entry* Running(Entries& entries) {
    std::string content;
    if (ReadAll(kRunningPath, content)) {
        std::vector<std::string> lines = tooltext::NonEmptyLines(content);
        if (!lines.empty())
            if (Entry* entry = Stored(entries, lines[0])) return entry;
    }
    return &entries[0];
}

// An entry as a caller names it: {current} is the running one, {default} the
// stored {current}, and the fixed identifiers their entries; a missing entry is null.
Entry* Find(Entries& entries, std::string id) {
    id = Lower(id);
    if (id == kCurrent) return Running(entries);
    if (id == "{default}" || id == kCurrentGuid) id = kCurrent;
    if (id == kBootMgrGuid) id = kBootMgr;
    return Stored(entries, id);
}

// The identifier the store keeps an entry under (what "/enum /v" shows).
std::string Guid(const std::string& id) {
    if (id == kCurrent) return kCurrentGuid;
    if (id == kBootMgr) return kBootMgrGuid;
    return id;
}

std::string* Element(Elements& store, const std::string& name) {
    for (auto& element : store)
        if (element.first == name) return &element.second;
    return nullptr;
}

void SetElement(Elements& store, const std::string& name, const std::string& value) {
    if (std::string* found = Element(store, name))
        *found = value;
    else
        store.emplace_back(name, value);
}

bool RemoveElement(Elements& store, const std::string& name) {
    Elements kept;
    for (const auto& element : store)
        if (element.first != name) kept.push_back(element);
    bool removed = kept.size() != store.size();
    store = kept;
    return removed;
}

std::vector<std::string> Ids(const std::string& list) {
    std::vector<std::string> ids;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find(' ', start);
        if (end == std::string::npos) end = list.size();
        if (end > start) ids.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return ids;
}

// A list element (displayorder, bootsequence) without one identifier; gone when empty.
void RemoveFromList(Elements& store, const std::string& name, const std::string& id) {
    std::string* list = Element(store, name);
    if (!list) return;
    std::string kept;
    for (const std::string& item : Ids(*list))
        if (item != id) kept += (kept.empty() ? "" : " ") + item;
    if (kept.empty())
        RemoveElement(store, name);
    else
        *list = kept;
}

// --- The hive: what Windows mounts of the store --------------------------

struct HiveElement {
    const char* name;
    const wchar_t* type;  // the element type, the key's name
};
constexpr HiveElement kHiveElements[] = {
    {"description", L"12000004"}, {"default", L"23000003"},  {"displayorder", L"24000001"},
    {"bootsequence", L"24000002"}, {"timeout", L"25000004"}, {"safeboot", L"25000080"},
    {"safebootalternateshell", L"26000081"},
};

std::vector<BYTE> Utf16Bytes(const std::wstring& text) {
    std::vector<BYTE> bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<BYTE>(c & 0xff));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    return bytes;
}

std::wstring Wide(const std::string& text) {
    int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::vector<BYTE> Integer(unsigned long long number) {
    std::vector<BYTE> bytes;
    for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<BYTE>(number >> (8 * i)));
    return bytes;
}

// The element's registry type and data, as bcdedit would have stored the value.
std::pair<DWORD, std::vector<BYTE>> HiveValue(const std::string& name, const std::string& value) {
    const std::string lower = Lower(value);
    if (name == "safeboot") {
        unsigned long long number = lower == "minimal" ? 0 : lower == "network" ? 1 : lower == "dsrepair" ? 2 : 99;
        return {REG_BINARY, Integer(number)};
    }
    if (name == "timeout") return {REG_BINARY, Integer(std::strtoull(value.c_str(), nullptr, 10))};
    if (name == "safebootalternateshell") {
        bool no = lower == "false" || lower == "no" || lower == "off" || lower == "0";
        return {REG_BINARY, {static_cast<BYTE>(no ? 0 : 1)}};
    }
    if (name == "displayorder" || name == "bootsequence") {
        std::wstring list;
        for (const std::string& id : Ids(value)) list += Wide(Guid(Lower(id))) + L'\0';
        list += L'\0';
        return {REG_MULTI_SZ, Utf16Bytes(list)};
    }
    if (name == "default") return {REG_SZ, Utf16Bytes(Wide(Guid(Lower(value))) + L'\0')};
    return {REG_SZ, Utf16Bytes(Wide(value) + L'\0')};
}

HKEY CreateKey(HKEY parent, const std::wstring& name) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

// The hive written anew from the entries: every entry, every element it
// knows. The store it was written from is noted last, so a call finds it in
// step at the cost of one read, and a call ended half-way writes it again.
bool SyncHive(const Entries& entries) {
    HKEY root = CreateKey(HKEY_LOCAL_MACHINE, kHiveKey);
    if (!root) return false;
    const std::vector<BYTE> written = Utf16Bytes(Wide(Serialize(entries)));
    std::vector<BYTE> noted(written.size() + 2);
    DWORD size = static_cast<DWORD>(noted.size());
    if (RegQueryValueExW(root, kHiveNote, nullptr, nullptr, noted.data(), &size) == ERROR_SUCCESS &&
        size == written.size() && std::equal(written.begin(), written.end(), noted.begin())) {
        RegCloseKey(root);
        return true;
    }
    RegDeleteValueW(root, kHiveNote);
    RegDeleteTreeW(root, L"Objects");
    HKEY objects = CreateKey(root, L"Objects");
    bool ok = objects != nullptr;
    for (const Entry& entry : entries) {
        if (!ok) break;
        HKEY elements = CreateKey(objects, Wide(Guid(entry.id)) + L"\\Elements");
        ok = elements != nullptr;
        for (const auto& [name, value] : entry.elements) {
            for (const HiveElement& known : kHiveElements) {
                if (!ok || name != known.name) continue;
                HKEY element = CreateKey(elements, known.type);
                const auto [type, data] = HiveValue(name, value);
                ok = element && RegSetValueExW(element, L"Element", 0, type, data.data(),
                                               static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
                if (element) RegCloseKey(element);
            }
        }
        if (elements) RegCloseKey(elements);
    }
    if (objects) RegCloseKey(objects);
    if (ok) ok = RegSetValueExW(root, kHiveNote, 0, REG_BINARY, written.data(), static_cast<DWORD>(written.size())) ==
                 ERROR_SUCCESS;
    RegCloseKey(root);
    return ok;
}

// store.txt and the hive, always together.
bool Store(const Entries& entries) { return WriteAll(kStorePath, Serialize(entries), false) && SyncHive(entries); }

int Enumerate(Entries& entries, const Entry& entry, bool verbose) {
    std::pair<std::string, std::string> yesNo = YesNo();
    bool manager = entry.id == kBootMgr;
    std::string text =
        manager ? "Windows Boot Manager\n--------------------\n" : "Windows Boot Loader\n-------------------\n";
    // Without /v the running entry is {current}; with it every entry shows its own identifier.
    const bool running = &entry == Running(entries);
    const std::string shownId = verbose ? Guid(entry.id) : running ? kCurrent : entry.id == kCurrent ? kCurrentGuid : entry.id;
    std::vector<std::pair<std::string, std::string>> lines{{"identifier", shownId}};
    for (const auto& [name, value] : entry.elements) {
        // Lists go on over lines indented to the value column.
        bool list = name == "displayorder" || name == "bootsequence";
        std::vector<std::string> items = list ? Ids(value) : std::vector<std::string>{Shown(value, yesNo)};
        if (list && verbose)
            for (std::string& item : items) item = Guid(item);
        if (name == "default" && verbose) items = {Guid(value)};
        for (size_t i = 0; i < items.size(); ++i) lines.emplace_back(i == 0 ? name : "", items[i]);
    }
    for (const auto& [name, value] : lines) {
        std::string padded = name;
        padded.resize(name.size() < 24 ? 24 : name.size() + 1, ' ');
        text += padded + value + "\n";
    }
    if (cutAfterLines > 0) {
        size_t end = 0;
        for (int i = 0; i < cutAfterLines && end != std::string::npos; ++i) end = text.find('\n', end + (i > 0));
        if (end != std::string::npos) text.resize(end + 1);
    }
    Print(text);
    return 0;
}

int Save(const Entries& entries) {
    if (!Store(entries)) {
        Say("The boot configuration data store could not be opened.");
        return 1;
    }
    Say(kSuccess);
    return 0;
}

int NoEntry() {
    Say(kNoEntry);
    return 1;
}

// The rig's restart: the entry the boot manager starts now, its one-time sequence forgotten.
int StartOnce(Entries& entries, const std::wstring& file) {
    Elements& manager = Stored(entries, kBootMgr)->elements;
    const Entry* started = nullptr;
    if (const std::string* sequence = Element(manager, "bootsequence")) {
        std::vector<std::string> ids = Ids(*sequence);
        if (!ids.empty()) started = Stored(entries, ids[0]);
    }
    if (!started) {
        const std::string* fallback = Element(manager, "default");
        started = Stored(entries, fallback ? *fallback : kCurrent);
    }
    if (!started) started = &entries[0];
    std::string text = started->id + "\r\n";
    for (const auto& [name, value] : started->elements) text += name + " " + value + "\r\n";
    if (!WriteAll(file.c_str(), text, false) || !WriteAll(kRunningPath, started->id + "\r\n", false)) return 1;
    RemoveElement(manager, "bootsequence");
    return Store(entries) ? 0 : 1;
}

int Run(const std::vector<std::wstring>& args) {
    Entries entries = LoadStore();
    // A store.txt a test wrote itself reaches the hive before anything else happens.
    SyncHive(entries);
    if (args.empty()) return Enumerate(entries, *Running(entries), false);
    std::string verb = VerbOf(args[0]);
    if (verb == "/qv-start" && args.size() == 2) return StartOnce(entries, args[1]);
    if (int code = InjectedFailure(verb); code != 0 && code != kCut) {
        if (code == kHang)
            for (;;) Sleep(INFINITE);
        Print("An error has occurred (injected failure " + std::to_string(code) + ").\n");
        return code;
    }
    // An optional identifier such as {current} may follow the verb.
    bool named = args.size() > 1 && !args[1].empty() && args[1][0] == L'{';
    size_t first = named ? 2 : 1;
    size_t operands = args.size() - first;
    Entry* target = named ? Find(entries, Utf8(args[1])) : Running(entries);
    std::string last = args.size() > 1 ? Lower(Utf8(args.back())) : "";
    Elements& manager = Stored(entries, kBootMgr)->elements;

    if (verb == "/enum") return target ? Enumerate(entries, *target, last == "/v") : NoEntry();
    if (verb == "/set" && operands == 2) {
        if (!target) return NoEntry();
        SetElement(target->elements, Lower(Utf8(args[first])), Utf8(args[first + 1]));
        return Save(entries);
    }
    if (verb == "/deletevalue" && operands == 1) {
        if (!target) return NoEntry();
        if (!RemoveElement(target->elements, Lower(Utf8(args[first])))) {
            Say(kNotFound);
            return 1;
        }
        return Save(entries);
    }
    if (verb == "/copy" && named && operands == 2 && Lower(Utf8(args[2])) == "/d") {
        if (!target || target->id == kBootMgr) return NoEntry();
        Entry copy{NewId(), target->elements};
        SetElement(copy.elements, "description", Utf8(args[3]));
        // A copy of an entry on the boot menu joins the menu, as bcdedit's does.
        std::string* order = Element(manager, "displayorder");
        if (order) {
            std::vector<std::string> ids = Ids(*order);
            if (std::find(ids.begin(), ids.end(), target->id) != ids.end()) *order += " " + copy.id;
        }
        entries.push_back(copy);
        if (!Store(entries)) {
            Say("The boot configuration data store could not be opened.");
            return 1;
        }
        Say(CopiedSentence(copy.id).c_str());
        return 0;
    }
    if ((verb == "/displayorder" || verb == "/bootsequence") && named) {
        std::string name = verb.substr(1);
        if (last == "/remove" && args.size() == 3) {
            if (!target) return NoEntry();
            RemoveFromList(manager, name, target->id);
            return Save(entries);
        }
        std::string list;
        for (size_t i = 1; i < args.size(); ++i) {
            Entry* entry = Find(entries, Utf8(args[i]));
            if (!entry) return NoEntry();
            list += (list.empty() ? "" : " ") + entry->id;
        }
        SetElement(manager, name, list);
        return Save(entries);
    }
    if (verb == "/delete" && named && operands == 0) {
        if (!target) return NoEntry();
        if (target == &entries[0] || target->id == kBootMgr) {
            Say("An error has occurred while attempting to delete the specified entry.\nThe specified entry is a "
                "well-known entry; it is not deleted without /f.");
            return 1;
        }
        // Every reference goes with the entry (bcdedit's /cleanup, its default).
        std::string id = target->id;
        RemoveFromList(manager, "displayorder", id);
        RemoveFromList(manager, "bootsequence", id);
        Entries kept;
        for (const Entry& entry : entries)
            if (entry.id != id) kept.push_back(entry);
        return Save(kept);
    }
    if (verb == "/export" && args.size() == 2) {
        if (!WriteAll(args[1].c_str(), Serialize(entries), false)) {
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
    tooltext::RecordPath() = kPrintedPath;
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
    if (args.empty() || VerbOf(args[0]) != "/qv-start") WriteAll(kLogPath, Utf8(arguments) + "\r\n", true);
    return Run(args);
}
