// INI access through the prefix's profile functions.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include <windows.h>

#include "system/seams.h"

namespace qv {
namespace {

std::wstring ReadIniValue(const std::wstring& file, const std::wstring& section, const std::wstring& key) {
    return Settings().ReadIniValue(file, section, key);
}
Done WriteIniValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                   const std::wstring& value) {
    return Settings().WriteIniValue(file, section, key, value);
}

class IniAccess : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "qv_ini_test";
        CreateDirectoryA(folder_.c_str(), nullptr);
        path_ = folder_ + "\\boot.ini";
        DeleteFileA(path_.c_str());
        file_.assign(path_.begin(), path_.end());
    }
    void TearDown() override {
        DeleteFileA(path_.c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    void Put(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
    std::string Contents() const {
        std::ostringstream text;
        text << std::ifstream(path_, std::ios::binary).rdbuf();
        return text.str();
    }

    std::string folder_, path_;
    std::wstring file_;
};

TEST_F(IniAccess, ReadsAtMost254Characters) {
    Put("[boot loader]\r\ntimeout=" + std::string(300, 'x') + "\r\n");
    EXPECT_EQ(ReadIniValue(file_, L"boot loader", L"timeout"), std::wstring(254, L'x'));
    EXPECT_EQ(ReadIniValue(file_, L"boot loader", L"default"), L"");
    EXPECT_EQ(ReadIniValue(file_ + L".missing", L"boot loader", L"timeout"), L"");
}

TEST_F(IniAccess, QuotesAroundAWholeValueAreDropped) {
    Put("[operating systems]\r\n"
        "a=\"Microsoft Windows XP\"\r\n"
        "b='single'\r\n"
        "c=\"Microsoft Windows XP\" /fastdetect\r\n"
        "  D  =  spaced  \r\n");
    EXPECT_EQ(ReadIniValue(file_, L"Operating Systems", L"a"), L"Microsoft Windows XP");
    EXPECT_EQ(ReadIniValue(file_, L"operating systems", L"b"), L"single");
    EXPECT_EQ(ReadIniValue(file_, L"operating systems", L"c"), L"\"Microsoft Windows XP\" /fastdetect");
    EXPECT_EQ(ReadIniValue(file_, L"operating systems", L"d"), L"spaced");
}

TEST_F(IniAccess, WriteReplacesTheFirstOfTwoKeysOnly) {
    Put("[boot loader]\r\ntimeout=30\r\ntimeout=10\r\n");
    EXPECT_TRUE(WriteIniValue(file_, L"boot loader", L"timeout", L"5"));
    EXPECT_EQ(Contents(), "[boot loader]\r\ntimeout=5\r\ntimeout=10\r\n");
}

TEST_F(IniAccess, WriteCreatesAMissingFile) {
    EXPECT_TRUE(WriteIniValue(file_, L"boot loader", L"timeout", L"30"));
    EXPECT_EQ(Contents(), "[boot loader]\r\ntimeout=30\r\n");
    EXPECT_EQ(ReadIniValue(file_, L"boot loader", L"timeout"), L"30");
}

// The settings store's INI side tells a write that failed, as its registry side does.
TEST_F(IniAccess, AWriteToAFileHeldByAnotherIsNoSuccess) {
    Put("[boot loader]\r\ntimeout=30\r\n");
    HANDLE held = CreateFileA(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_NE(Settings().WriteSetting(file_, L"boot loader", L"timeout", L"S", std::wstring(L"5")), 0);
    EXPECT_NE(Settings().DeleteSetting(file_, L"boot loader", L"timeout"), 0);
    CloseHandle(held);
    EXPECT_EQ(Contents(), "[boot loader]\r\ntimeout=30\r\n");
}

}  // namespace
}  // namespace qv
