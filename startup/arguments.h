// The argument text as a switch and the services named after it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qv {

inline constexpr const wchar_t* kServicePrefix = L"/service:";

struct TypedSwitch {
    std::wstring text;                   // the switch, in lower case
    std::vector<std::wstring> services;  // each "/service:NAME" after it, as typed
};

// The switch is the text up to the first blank; after it only
// "/service:NAME" may follow, NAME in quotes when it holds blanks
// (/service:"Remote Agent"). Empty for anything else after the switch, an
// empty name or a quote left open.
std::optional<TypedSwitch> ReadSwitch(const std::wstring& arguments);

}  // namespace qv
