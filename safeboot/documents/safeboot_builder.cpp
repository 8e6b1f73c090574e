// Builds a SafeBoot document from the table: a registry export that reg.exe
// imports, exact to the byte, so the stored files can be checked against it.
#include "safeboot/documents/safeboot_documents.h"

#include <algorithm>

namespace qv {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kLineEnd = "\r\n";

// ASCII only, and independent of the locale: the documents hold nothing else.
char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool Has(SafeBootPlacement placement, SafeBootPlacement section) {
    return (static_cast<uint8_t>(placement) & static_cast<uint8_t>(section)) != 0;
}

void AddLine(std::string& text, std::string_view line) {
    text += line;
    text += kLineEnd;
}

void AddBlock(std::string& text, std::string_view keyPath, std::string_view valueLine) {
    text += '[';
    text += keyPath;
    text += ']';
    text += kLineEnd;
    if (!valueLine.empty()) AddLine(text, valueLine);
    text += kLineEnd;
}

void AddSection(std::string& text, size_t document, SafeBootPlacement section, std::string_view sectionName) {
    const std::string sectionPath = std::string(kSafeBootKeyPath) + "\\" + std::string(sectionName);
    // The section key has a block of its own, so an import creates it even
    // where it was missing.
    AddBlock(text, sectionPath, {});
    for (const SafeBootSubkey* subkey : SafeBootSection(document, section)) {
        AddBlock(text, sectionPath + "\\" + std::string(subkey->name),
                 "@=\"" + std::string(subkey->defaultValue) + "\"");
    }
}

}  // namespace

size_t SafeBootDocumentIndex(std::string_view name) {
    auto sameName = [name](std::string_view known) {
        return std::ranges::equal(name, known, {}, LowerAscii, LowerAscii);
    };
    return static_cast<size_t>(std::ranges::find_if(kSafeBootDocumentNames, sameName) - kSafeBootDocumentNames.begin());
}

bool SafeBootNameLess(std::string_view a, std::string_view b) {
    // Compared as unsigned codes, as the character codes of the lower-case forms.
    auto code = [](char c) { return static_cast<unsigned char>(LowerAscii(c)); };
    return std::ranges::lexicographical_compare(a, b, {}, code, code);
}

std::vector<const SafeBootSubkey*> SafeBootSection(size_t document, SafeBootPlacement section) {
    std::vector<const SafeBootSubkey*> listed;
    if (document >= kSafeBootDocumentNames.size()) return listed;
    for (const SafeBootSubkey& subkey : SafeBootSubkeys())
        if (Has(subkey.placement[document], section)) listed.push_back(&subkey);
    std::ranges::stable_sort(listed, SafeBootNameLess, &SafeBootSubkey::name);
    return listed;
}

std::string SafeBootDocumentText(size_t document) {
    std::string text;
    if (document >= kSafeBootDocumentNames.size()) return text;
    AddLine(text, kHeader);
    text += kLineEnd;
    AddBlock(text, kSafeBootKeyPath, "\"AlternateShell\"=\"cmd.exe\"");
    AddSection(text, document, SafeBootPlacement::Minimal, "Minimal");
    AddSection(text, document, SafeBootPlacement::Network, "Network");
    return text;
}

std::vector<uint8_t> BuildSafeBootDocument(size_t document) {
    const std::string text = SafeBootDocumentText(document);
    if (text.empty()) return {};
    std::vector<uint8_t> bytes{0xFF, 0xFE};
    bytes.reserve(2 + 2 * text.size());
    // Every character is ASCII, so its UTF-16 unit is the code and a zero byte.
    for (char c : text) {
        bytes.push_back(static_cast<uint8_t>(c));
        bytes.push_back(0);
    }
    return bytes;
}

}  // namespace qv
