#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "safeboot/documents/safeboot_documents.h"

namespace qv {
namespace {

const std::string kRoot(kSafeBootKeyPath);

std::vector<uint8_t> StoredDocument(std::string_view name) {
    std::ifstream file(std::string(QV_SOURCE_DIR) + "/safeboot/documents/" + std::string(name) + ".reg",
                       std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The stored document as lines, after checking that it is UTF-16 LE with BOM
// and holds nothing but ASCII.
std::vector<std::string> StoredLines(std::string_view name) {
    const auto bytes = StoredDocument(name);
    EXPECT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.size() % 2, 0u);
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) {
        ADD_FAILURE() << name << ": no byte-order mark FF FE";
        return {};
    }
    std::string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        EXPECT_TRUE(bytes[i + 1] == 0 && bytes[i] < 0x80) << name << " at byte " << i;
        text += static_cast<char>(bytes[i]);
    }
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << name << ": text after the last CR LF";
    return lines;
}

struct Expected {
    std::string_view name;
    size_t size, minimal, network, blocks;
};
constexpr Expected kExpected[] = {
    {"sb_xp", 26688, 42, 80, 125},
    {"sb_v", 35238, 55, 108, 166},
    {"sb_7", 36904, 59, 113, 175},
    {"sb_8", 41200, 67, 124, 194},
};

TEST(SafeBootDocuments, StoredFilesAreTheTableRebuilt) {
    for (const auto& expected : kExpected) {
        SCOPED_TRACE(expected.name);
        const size_t document = SafeBootDocumentIndex(expected.name);
        const auto built = BuildSafeBootDocument(document);
        const auto stored = StoredDocument(expected.name);
        EXPECT_EQ(built.size(), expected.size);
        EXPECT_EQ(stored.size(), expected.size);
        const auto diff = std::ranges::mismatch(built, stored);
        EXPECT_TRUE(diff.in1 == built.end() && diff.in2 == stored.end())
            << "first difference at byte " << (diff.in1 - built.begin())
            << "; tools/gen-safeboot-documents writes the documents anew";
        ASSERT_GE(stored.size(), 4u);
        EXPECT_EQ(std::vector<uint8_t>(stored.end() - 8, stored.end()),
                  (std::vector<uint8_t>{0x0D, 0, 0x0A, 0, 0x0D, 0, 0x0A, 0}));
    }
}

// Reads the stored documents back by the layout rules, without the builder.
TEST(SafeBootDocuments, FollowTheBlockLayout) {
    std::map<std::string, std::string> defaults;  // subkey name -> its "@=" line
    for (const auto& expected : kExpected) {
        SCOPED_TRACE(expected.name);
        const auto lines = StoredLines(expected.name);
        ASSERT_GE(lines.size(), 8u);
        EXPECT_EQ(lines[0], "Windows Registry Editor Version 5.00");
        EXPECT_EQ(lines[1], "");
        EXPECT_EQ(lines[2], "[" + kRoot + "]");
        EXPECT_EQ(lines[3], "\"AlternateShell\"=\"cmd.exe\"");
        EXPECT_EQ(lines[4], "");
        EXPECT_EQ(lines[5], "[" + kRoot + "\\Minimal]");
        EXPECT_EQ(lines[6], "");

        std::map<std::string, std::vector<std::string>> sections;  // section -> subkeys in order
        std::string section;
        size_t blocks = 0;
        for (size_t i = 2; i < lines.size();) {
            const std::string& head = lines[i];
            ASSERT_TRUE(head.starts_with("[" + kRoot) && head.ends_with("]")) << "line " << i << ": " << head;
            ++blocks;
            const std::string path = head.substr(kRoot.size() + 1, head.size() - kRoot.size() - 2);
            if (path == "\\Minimal" || path == "\\Network") {
                EXPECT_EQ(section, path == "\\Minimal" ? "" : "Minimal") << "Minimal, then Network";
                section = path.substr(1);
                EXPECT_EQ(lines.at(i + 1), "") << head;
                i += 2;
            } else if (!path.empty()) {
                ASSERT_TRUE(path.starts_with("\\" + section + "\\")) << head;
                const std::string name = path.substr(section.size() + 2);
                sections[section].push_back(name);
                const std::string& value = lines.at(i + 1);
                EXPECT_TRUE(value.starts_with("@=\"") && value.ends_with("\"")) << value;
                // A name has the same default value in every section and document.
                EXPECT_EQ(defaults.emplace(name, value).first->second, value) << head;
                EXPECT_EQ(lines.at(i + 2), "") << head;
                i += 3;
            } else {
                EXPECT_EQ(i, 2u) << "the SafeBoot key has one block, the first";
                i += 3;
            }
        }
        EXPECT_EQ(blocks, expected.blocks);
        EXPECT_EQ(sections["Minimal"].size(), expected.minimal);
        EXPECT_EQ(sections["Network"].size(), expected.network);
        EXPECT_EQ(sections["Minimal"].at(0), expected.name == "sb_xp" ? "AppMgmt" : "AppInfo");
        for (const auto& [name, subkeys] : sections)
            EXPECT_TRUE(std::ranges::is_sorted(subkeys, SafeBootNameLess)) << name;
    }
}

TEST(SafeBootDocuments, OrderByLowerCaseCharacterCodes) {
    EXPECT_TRUE(SafeBootNameLess("Boot Bus Extender", "Boot file system"));
    EXPECT_TRUE(SafeBootNameLess("NDIS", "NDIS Wrapper"));
    EXPECT_TRUE(SafeBootNameLess("NDIS Wrapper", "ndiscap"));
    EXPECT_TRUE(SafeBootNameLess("PNP Filter", "PNP_TDI"));
    EXPECT_FALSE(SafeBootNameLess("ndis", "NDIS"));
    EXPECT_FALSE(SafeBootNameLess("NDIS", "ndis"));

    // The table itself is in that order, each name once, the braces last.
    const auto table = SafeBootSubkeys();
    ASSERT_EQ(table.size(), 143u);
    for (size_t i = 1; i < table.size(); ++i)
        EXPECT_TRUE(SafeBootNameLess(table[i - 1].name, table[i].name)) << table[i - 1].name << " / " << table[i].name;
    const auto firstBrace = std::ranges::find_if(table, [](const auto& s) { return s.name.starts_with('{'); });
    EXPECT_EQ(table.end() - firstBrace, 24);
    EXPECT_TRUE(std::all_of(firstBrace, table.end(), [](const auto& s) { return s.name.starts_with('{'); }));
}

TEST(SafeBootDocuments, TableHoldsTheKindsOfSubkeys) {
    std::map<std::string_view, int> kinds;
    int sysDrivers = 0;
    for (const auto& subkey : SafeBootSubkeys()) {
        if (subkey.name.starts_with('{')) continue;
        ++kinds[subkey.defaultValue];
        if (subkey.defaultValue == "Driver" && subkey.name.ends_with(".sys")) ++sysDrivers;
        if (subkey.defaultValue == "FSFilter System Recovery") {
            EXPECT_EQ(subkey.name, "sr.sys");
        }
    }
    EXPECT_EQ(kinds, (std::map<std::string_view, int>{
                         {"Driver", 34}, {"Driver Group", 19}, {"FSFilter System Recovery", 1}, {"Service", 65}}));
    EXPECT_EQ(sysDrivers, 21);
}

TEST(SafeBootDocuments, NamesFindTheirDocumentWhateverTheCase) {
    EXPECT_EQ(SafeBootDocumentIndex("sb_xp"), 0u);
    EXPECT_EQ(SafeBootDocumentIndex("SB_7"), 2u);
    EXPECT_EQ(SafeBootDocumentIndex("sb_10"), kSafeBootDocumentNames.size());
    EXPECT_TRUE(BuildSafeBootDocument(kSafeBootDocumentNames.size()).empty());
}

}  // namespace
}  // namespace qv
