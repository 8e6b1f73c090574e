#include "bootmode/command_line.h"

#include <algorithm>

#include "system/seams.h"

namespace qv {

namespace {

constexpr const wchar_t* kRunOncePrefix = L"cmd /c start \"\" \"";
constexpr const wchar_t* kRunOnceSuffix = L"\" /remove";
constexpr const wchar_t* kAutorunSuffix = L"\" /undo";

bool StartsWith(const std::wstring& text, const std::wstring& prefix) { return text.rfind(prefix, 0) == 0; }
bool EndsWith(const std::wstring& text, const std::wstring& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The quoted program between a fixed prefix and suffix, as the command
// processor passes it on.
std::optional<std::wstring> QuotedProgram(const std::wstring& text, const std::wstring& prefix,
                                          const std::wstring& suffix) {
    if (text.size() < prefix.size() + suffix.size() + 1) return std::nullopt;
    if (!StartsWith(text, prefix) || !EndsWith(text, suffix)) return std::nullopt;
    std::wstring program = text.substr(prefix.size(), text.size() - prefix.size() - suffix.size());
    if (program.find(L'"') != std::wstring::npos || !SurvivesExpansion(program)) return std::nullopt;
    return program;
}

}  // namespace

bool SurvivesExpansion(const std::wstring& text) { return std::count(text.begin(), text.end(), L'%') < 2; }

std::wstring FileNameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::vector<std::wstring> ExePathForms(const std::wstring& full) {
    std::vector<std::wstring> forms{full};
    const auto shortForm = Files().ShortPath(full);
    if (shortForm && !shortForm->empty() && *shortForm != full && Files().SameFile(*shortForm, full))
        forms.push_back(*shortForm);
    return forms;
}

std::optional<std::wstring> ExePathForCommandProcessor(const std::wstring& exe) {
    for (const auto& form : ExePathForms(exe))
        if (SurvivesExpansion(form) && RunOnceDataFor(form).size() <= kRunOnceLineLimit) return form;
    return std::nullopt;
}

std::wstring RunOnceDataFor(const std::wstring& exePath) {
    // The empty pair of quotes is the window title that "start" takes from its
    // first quoted argument; without it the program path would be the title.
    return kRunOncePrefix + exePath + kRunOnceSuffix;
}

std::wstring AutorunCommandFor(const std::wstring& exePath) { return L"\"" + exePath + kAutorunSuffix; }

std::optional<std::wstring> ProgramOfRunOnce(const std::wstring& data) {
    return QuotedProgram(data, kRunOncePrefix, kRunOnceSuffix);
}

std::optional<std::wstring> ProgramOfAutorun(const std::wstring& value) {
    return QuotedProgram(value, L"\"", kAutorunSuffix);
}

bool StartsExe(const std::optional<std::wstring>& program, const std::wstring& exe) {
    return program && Files().SameFile(*program, exe);
}

}  // namespace qv
