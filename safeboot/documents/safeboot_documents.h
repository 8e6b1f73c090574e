// The four SafeBoot registry documents: the table of subkeys they are made
// from, and the builder that turns the table into each document's bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Where one document lists a subkey: a bit for "Minimal", one for "Network".
enum class SafeBootPlacement : uint8_t { None = 0, Minimal = 1, Network = 2, Both = 3 };

struct SafeBootSubkey {
    std::string_view name;
    std::string_view defaultValue;
    std::array<SafeBootPlacement, 4> placement;  // sb_xp, sb_v, sb_7, sb_8
};

inline constexpr std::array<std::string_view, 4> kSafeBootDocumentNames{"sb_xp", "sb_v", "sb_7", "sb_8"};
inline constexpr std::string_view kSafeBootKeyPath = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\SafeBoot";

// Every subkey any document lists, one row per name.
std::span<const SafeBootSubkey> SafeBootSubkeys();

// Index of a document in kSafeBootDocumentNames; the size of that array when
// the name is unknown. Case does not matter, as with resource names.
size_t SafeBootDocumentIndex(std::string_view name);

// Case-blind order of the documents: by the character codes of the
// lower-case forms, so "NDIS Wrapper" < "ndiscap" and braces come last.
bool SafeBootNameLess(std::string_view a, std::string_view b);

// The subkeys a document lists under `section` (Minimal or Network), in
// document order.
std::vector<const SafeBootSubkey*> SafeBootSection(size_t document, SafeBootPlacement section);

// The document as text, lines ended by CR LF, without byte-order mark.
std::string SafeBootDocumentText(size_t document);

// The document's bytes: UTF-16 little-endian with the byte-order mark.
std::vector<uint8_t> BuildSafeBootDocument(size_t document);

}  // namespace qv
