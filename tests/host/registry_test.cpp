#include <gtest/gtest.h>

#include "system/registry.h"

namespace qv {
namespace {

TEST(ResolveRootKey, NamesTheSixRootsInAnyCaseAndElseAsksForAFile) {
    std::wstring asked;
    auto fileCheck = [&](const std::wstring& path) {
        asked = path;
        return path == L"C:\\boot.ini";
    };
    EXPECT_EQ(ResolveRootKey(L"hklm", fileCheck), 0x80000002u);
    EXPECT_EQ(ResolveRootKey(L"HKCU", fileCheck), 0x80000001u);
    EXPECT_EQ(ResolveRootKey(L"Hku", fileCheck), 0x80000003u);
    EXPECT_EQ(ResolveRootKey(L"HKDD", fileCheck), 0x80000006u);
    EXPECT_EQ(ResolveRootKey(L"HKCC", fileCheck), 0x80000005u);
    EXPECT_EQ(ResolveRootKey(L"hkcr", fileCheck), 0x80000000u);
    EXPECT_EQ(asked, L"") << "a root-key name needs no file search";

    EXPECT_EQ(ResolveRootKey(L"HKEY_LOCAL_MACHINE", fileCheck), 0u);
    EXPECT_EQ(asked, L"HKEY_LOCAL_MACHINE");
    EXPECT_EQ(ResolveRootKey(L"C:\\boot.ini", fileCheck), 1u);
    EXPECT_EQ(ResolveRootKey(L" HKLM", fileCheck), 0u);
}

TEST(ChooseRegistryView, FollowsTheViewTable) {
    using Op = RegistryOperation;
    struct Row {
        Op operation;
        const wchar_t* keyPath;
        bool is64BitWindows;
        const wchar_t* path;
        uint32_t mask;
    } rows[] = {
        {Op::Read, L"SOFTWARE\\Wow6432Node\\X", false, L"SOFTWARE\\Wow6432Node\\X", 1},
        {Op::Delete, L"SOFTWARE\\X", false, L"SOFTWARE\\X", 2},
        {Op::Write, L"SOFTWARE\\X", false, L"SOFTWARE\\X", 6},
        {Op::Read, L"SOFTWARE\\X", true, L"SOFTWARE\\X", 257},
        {Op::Read, L"SOFTWARE\\Wow6432Node\\X", true, L"software\\x", 1},
        {Op::Read, L"SOFTWARE\\Wow6432Node\\guest_X", true, L"SOFTWARE\\Wow6432Node\\guest_X", 1},
        {Op::Delete, L"SOFTWARE\\X", true, L"SOFTWARE\\X", 258},
        {Op::Delete, L"SOFTWARE\\WOW6432NODE\\Tamberlow\\X", true, L"SOFTWARE\\Tamberlow\\X", 2},
        {Op::Delete, L"SOFTWARE\\Wow6432Node\\GUEST_X", true, L"SOFTWARE\\Wow6432Node\\GUEST_X", 2},
        {Op::Write, L"SOFTWARE\\X", true, L"SOFTWARE\\X", 262},
        {Op::Write, L"SOFTWARE\\Wow6432Node\\X", true, L"SOFTWARE\\Wow6432Node\\X", 262},
        // Only "wow6432node\" with its backslash is taken out.
        {Op::Read, L"SOFTWARE\\Wow6432Node", true, L"software\\wow6432node", 1},
    };
    for (const auto& row : rows) {
        RegistryView view = ChooseRegistryView(row.operation, row.keyPath, row.is64BitWindows);
        EXPECT_EQ(view.path, row.path) << row.keyPath;
        EXPECT_EQ(view.mask, row.mask) << row.keyPath << " 64-bit " << row.is64BitWindows;
    }
}

TEST(RemoveAll, RemovesEveryOccurrenceAlsoThoseTheJoinForms) {
    EXPECT_EQ(RemoveAll(L"Software\\WOW6432Node\\X", L"wow6432node\\"), L"Software\\X");
    EXPECT_EQ(RemoveAll(L"aabb", L"ab"), L"");
    EXPECT_EQ(RemoveAll(L"xaAaBbBy", L"ab"), L"xy");
    EXPECT_EQ(RemoveAll(L"ab-ab-AB", L"ab"), L"--");
    EXPECT_EQ(RemoveAll(L"nothing here", L"ab"), L"nothing here");
    EXPECT_EQ(RemoveAll(L"text", L""), L"text");
    EXPECT_EQ(RemoveAll(L"", L"ab"), L"");
}

TEST(RegistryData, DwordIsA16BitNumberSignExtended) {
    using Bytes = std::array<uint8_t, 4>;
    EXPECT_EQ(DwordData(int32_t{-1}), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(DwordData(int32_t{3}), (Bytes{3, 0, 0, 0}));
    EXPECT_EQ(DwordData(int32_t{-32768}), (Bytes{0x00, 0x80, 0xFF, 0xFF}));
    EXPECT_EQ(DwordData(std::wstring(L" 258 ")), (Bytes{2, 1, 0, 0}));
    EXPECT_EQ(DwordData(true), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_FALSE(DwordData(int32_t{40000}));
    EXPECT_FALSE(DwordData(int32_t{32768}));
    EXPECT_FALSE(DwordData(std::wstring(L"two")));

    EXPECT_EQ(DwordFromData({0xFE, 0xFF, 0xFF, 0xFF}), -2);
    EXPECT_EQ(DwordFromData({0x40, 0x9C, 0x00, 0x00}), 40000);
}

TEST(RegistryData, BooleanIsTwoBytesOfAllOrNothing) {
    using Bytes = std::array<uint8_t, 2>;
    EXPECT_EQ(BooleanData(true), (Bytes{0xFF, 0xFF}));
    EXPECT_EQ(BooleanData(false), (Bytes{0, 0}));
    EXPECT_EQ(BooleanData(std::wstring(L"True")), (Bytes{0xFF, 0xFF}));
    EXPECT_EQ(BooleanData(int32_t{5}), (Bytes{0xFF, 0xFF}));
    EXPECT_FALSE(BooleanData(std::wstring(L"maybe")));

    EXPECT_TRUE(BooleanFromData({0x01, 0x00}));
    EXPECT_TRUE(BooleanFromData({0x00, 0x80}));
    EXPECT_FALSE(BooleanFromData({0x00, 0x00}));
}

}  // namespace
}  // namespace qv
