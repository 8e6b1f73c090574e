// The settings store against the registry and files of a 64-bit test prefix.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "system/handles_win32.h"
#include "system/file_checks.h"
#include "system/network_location.h"
#include "system/seams_win32.h"
#include "system/text.h"
#include "system/files_win32.h"
#include "system/seams.h"

namespace qv {
namespace {

int32_t ReadSetting(const std::wstring& location, const std::wstring& keyPath, const std::wstring& valueName,
                    const std::wstring& type, const SettingValue& defaultValue, SettingValue& result) {
    return Settings().ReadSetting(location, keyPath, valueName, type, defaultValue, result);
}
int32_t WriteSetting(const std::wstring& location, const std::wstring& keyPath, const std::wstring& valueName,
                     const std::wstring& type, const SettingValue& value) {
    return Settings().WriteSetting(location, keyPath, valueName, type, value);
}
int32_t DeleteSetting(const std::wstring& location, const std::wstring& keyPath, const std::wstring& valueName) {
    return Settings().DeleteSetting(location, keyPath, valueName);
}

constexpr char kScratchParent[] = "SOFTWARE\\QuorvineTest";

// Raw access to one view, without the store's rules.
struct RawValue {
    LONG status = ERROR_FILE_NOT_FOUND;
    DWORD type = 0;
    std::vector<BYTE> data;
};

// The wide query hands text over as stored, UTF-16 with its NUL.
RawValue ReadRaw(const std::wstring& keyPath, const wchar_t* name, REGSAM view) {
    RawValue value;
    HKEY key = nullptr;
    value.status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE | view, &key);
    if (value.status != ERROR_SUCCESS) return value;
    BYTE data[512];
    DWORD size = sizeof(data);
    value.status = RegQueryValueExW(key, name, nullptr, &value.type, data, &size);
    if (value.status == ERROR_SUCCESS) value.data.assign(data, data + size);
    RegCloseKey(key);
    return value;
}

void WriteRaw(const std::string& keyPath, const char* name, DWORD type, const void* data, DWORD size, REGSAM view) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveScratch();
        const char* test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        scratch_ = std::string(kScratchParent) + "\\" + test;
        wideScratch_.assign(scratch_.begin(), scratch_.end());
    }
    void TearDown() override { RemoveScratch(); }

    static void RemoveScratch() {
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
            HKEY software = nullptr;
            const LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS | view, &software);
            if (status == ERROR_SUCCESS) {
                RegDeleteTreeA(software, "QuorvineTest");
                RegCloseKey(software);
            }
        }
    }

    std::string scratch_;
    std::wstring wideScratch_;
};

TEST_F(SettingsStore, ViewTableOnA64BitPrefix) {
    ASSERT_TRUE(Windows().Is64BitWindows()) << "needs a 64-bit prefix";
    const std::string wow = "SOFTWARE\\Wow6432Node\\QuorvineTest\\" + scratch_.substr(sizeof(kScratchParent));
    const std::wstring wideWow(wow.begin(), wow.end());

    EXPECT_EQ(WriteSetting(L"HKLM", wideScratch_, L"Seen", L"S", std::wstring(L"64-bit")), 0);
    EXPECT_EQ(ReadRaw(wideScratch_, L"Seen", KEY_WOW64_64KEY).status, ERROR_SUCCESS);
    EXPECT_EQ(ReadRaw(wideScratch_, L"Seen", KEY_WOW64_32KEY).status, ERROR_FILE_NOT_FOUND);

    WriteRaw(scratch_, "Seen", REG_SZ, "32-bit", 7, KEY_WOW64_32KEY);
    SettingValue result;
    EXPECT_EQ(ReadSetting(L"HKLM", wideScratch_, L"Seen", L"S", std::wstring(), result), 0);
    EXPECT_EQ(std::get<std::wstring>(result), L"64-bit");
    EXPECT_EQ(ReadSetting(L"hklm", wideWow, L"Seen", L"S", std::wstring(), result), 0);
    EXPECT_EQ(std::get<std::wstring>(result), L"32-bit") << "Wow6432Node reads through the 32-bit view";

    // A write never rewrites the path: the 64-bit view's Wow6432Node is the
    // 32-bit branch, which a read of the same path reaches again.
    EXPECT_EQ(WriteSetting(L"HKLM", wideWow, L"Back", L"D", int32_t{2}), 0);
    EXPECT_EQ(ReadSetting(L"HKLM", wideWow, L"Back", L"D", int32_t{0}, result), 0);
    EXPECT_EQ(std::get<int32_t>(result), 2);
    EXPECT_EQ(ReadRaw(wideScratch_, L"Back", KEY_WOW64_64KEY).status, ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(DeleteSetting(L"HKLM", wideWow, L"Seen"), 0);
    EXPECT_EQ(ReadRaw(wideScratch_, L"Seen", KEY_WOW64_32KEY).status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ReadRaw(wideScratch_, L"Seen", KEY_WOW64_64KEY).status, ERROR_SUCCESS);
}

TEST_F(SettingsStore, MissingValuesAndKeysAndUnknownLocations) {
    SettingValue result;
    const SettingValue fallback = std::wstring(L"fallback");
    EXPECT_EQ(ReadSetting(L"HKLM", wideScratch_, L"Absent", L"S", fallback, result), 2) << "no key";
    EXPECT_EQ(result, fallback);
    EXPECT_EQ(DeleteSetting(L"HKLM", wideScratch_, L"Absent"), 0);

    EXPECT_EQ(WriteSetting(L"HKLM", wideScratch_, L"Present", L"S", std::wstring(L"x")), 0);
    for (const wchar_t* type : {L"S", L"B", L"D"}) {
        result = int32_t{7};
        EXPECT_EQ(ReadSetting(L"HKLM", wideScratch_, L"Absent", type, fallback, result), 2) << type;
        EXPECT_EQ(result, fallback) << type;
    }
    EXPECT_EQ(DeleteSetting(L"HKLM", wideScratch_, L"Absent"), 0);

    EXPECT_EQ(ReadSetting(L"HKEY_LOCAL_MACHINE", wideScratch_, L"Present", L"S", fallback, result), 99);
    EXPECT_EQ(result, fallback);
    EXPECT_EQ(WriteSetting(L"C:\\no\\such.ini", L"Section", L"Key", L"S", std::wstring(L"x")), 99);
    EXPECT_EQ(DeleteSetting(L"C:\\windows", L"Section", L"Key"), 99) << "a folder is no INI file";
}

TEST_F(SettingsStore, RawValuesKeepTypeAndBytesAndTellAMissingKeyFromAMissingValue) {
    const RawRead noKey = Settings().ReadRawSetting(L"HKLM", wideScratch_, L"Autorun");
    EXPECT_EQ(noKey.status, 2);
    EXPECT_FALSE(noKey.keyOpened);
    // REG_EXPAND_SZ with a NUL inside, and a REG_MULTI_SZ: every byte comes back.
    const std::wstring expand(L"%SystemRoot%\\init.cmd\0x\0", 23);
    const RawSetting expandable{REG_EXPAND_SZ, std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(expand.data()),
                                                                    reinterpret_cast<const uint8_t*>(expand.data()) +
                                                                        expand.size() * sizeof(wchar_t))};
    const RawSetting list{REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}};
    for (const RawSetting& value : {expandable, list}) {
        EXPECT_EQ(Settings().WriteRawSetting(L"HKLM", wideScratch_, L"Autorun", value), 0);
        const RawRead back = Settings().ReadRawSetting(L"HKLM", wideScratch_, L"Autorun");
        EXPECT_EQ(back.status, 0);
        EXPECT_EQ(back.value, value) << value.type;
    }
    const RawRead noValue = Settings().ReadRawSetting(L"HKLM", wideScratch_, L"Absent");
    EXPECT_EQ(noValue.status, 2);
    EXPECT_TRUE(noValue.keyOpened);
}

TEST_F(SettingsStore, NumbersAndBooleansKeepTheirStoredForm) {
    // A value that does not convert is not written, and the caller hears of it.
    EXPECT_EQ(WriteSetting(L"HKLM", wideScratch_, L"TooBig", L"D", int32_t{40000}), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(ReadRaw(wideScratch_, L"TooBig", KEY_WOW64_64KEY).status, ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(WriteSetting(L"HKLM", wideScratch_, L"Minus", L"d", int32_t{-1}), 0);
    RawValue raw = ReadRaw(wideScratch_, L"Minus", KEY_WOW64_64KEY);
    EXPECT_EQ(raw.type, DWORD{REG_DWORD});
    EXPECT_EQ(raw.data, (std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF}));

    EXPECT_EQ(WriteSetting(L"HKLM", wideScratch_, L"Flag", L"B", true), 0);
    raw = ReadRaw(wideScratch_, L"Flag", KEY_WOW64_64KEY);
    EXPECT_EQ(raw.type, DWORD{REG_BINARY});
    EXPECT_EQ(raw.data, (std::vector<BYTE>{0xFF, 0xFF}));
    SettingValue result;
    EXPECT_EQ(ReadSetting(L"HKLM", wideScratch_, L"Flag", L"B", false, result), 0);
    EXPECT_EQ(result, SettingValue(true));

    // Four bytes do not fit the two that "B" asks for.
    EXPECT_EQ(ReadSetting(L"HKLM", wideScratch_, L"Minus", L"B", false, result), ERROR_MORE_DATA);
    EXPECT_EQ(result, SettingValue(false));

}

TEST_F(SettingsStore, TextRoundTripKeepsBlanksAndLettersOfAnyScript) {
    const std::wstring text =
        L"  Gr\u00fc\u00dfe aus K\u00f6ln, \u0417\u0430\u0433\u0440\u0443\u0437\u043a\u0438 \u6f22\u5b57  ";
    EXPECT_EQ(WriteSetting(L"HKLM", wideScratch_, L"Text", L"S", text), 0);
    RawValue raw = ReadRaw(wideScratch_, L"Text", KEY_WOW64_64KEY);
    EXPECT_EQ(raw.type, DWORD{REG_SZ});
    const auto* stored = reinterpret_cast<const wchar_t*>(raw.data.data());
    ASSERT_EQ(raw.data.size(), (text.size() + 1) * sizeof(wchar_t)) << "the NUL is counted once";
    EXPECT_EQ(std::wstring(stored, text.size() + 1), text + L'\0');
    SettingValue result;
    EXPECT_EQ(ReadSetting(L"HKLM", wideScratch_, L"Text", L"S", std::wstring(), result), 0);
    EXPECT_EQ(result, SettingValue(text));
}

TEST_F(SettingsStore, PathsOutsideTheCodePageReachFilesRegistryAndPlatform) {
    // Cyrillic, CJK, an emoji (a surrogate pair), and "\u014d", which the ANSI
    // functions would turn into "o", naming another folder.
    const std::wstring parent = L"C:\\qvtest\\J\u00fcrgen";
    const std::wstring folder =
        parent + L"\\\u0417\u0430\u0433\u0440\u0443\u0437\u043a\u0438 \u014d \u6f22\u5b57 \U0001F600";
    const std::wstring file = folder + L"\\boot.ini";
    CreateDirectoryW(parent.c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << GetLastError();

    const std::vector<uint8_t> bytes{'[', 'q', 'v', ']'};
    EXPECT_TRUE(Files().WriteBytes(file, bytes));
    EXPECT_EQ(Files().ReadBytes(file), bytes);
    EXPECT_TRUE(Files().FileExists(file));
    EXPECT_FALSE(Files().FileExists(folder)) << "a folder is no file";
    EXPECT_FALSE(Files().FileExists(folder + L"\\missing.ini"));
    {
        // Held without sharing, as another program may hold it.
        win32::UniqueHandle held(CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_FALSE(Files().FileExists(file)) << "locked against reading";
        EXPECT_TRUE(Files().SameFile(file, UpperCase(file))) << "compared without asking for access";
    }
    EXPECT_FALSE(Files().SameFile(file, folder));
    if (auto shortPath = Files().ShortPath(file)) {
        EXPECT_TRUE(Files().SameFile(*shortPath, file));
    }
    EXPECT_EQ(Windows().ToOemText(file), std::nullopt);
    EXPECT_EQ(Windows().ToOemText(L"C:\\Tools"), std::optional<std::string>("C:\\Tools"));

    EXPECT_EQ(WriteSetting(L"HKLM", wideScratch_, L"Folder \U0001F600", L"S", file), 0);
    SettingValue result;
    EXPECT_EQ(ReadSetting(L"HKLM", wideScratch_, L"Folder \U0001F600", L"S", std::wstring(), result), 0);
    EXPECT_EQ(result, SettingValue(file));

    EXPECT_EQ(Program().CommandLine().find(L'?'), std::wstring::npos);
    EXPECT_EQ(Program().ExecutablePath().find(L'?'), std::wstring::npos);
    EXPECT_TRUE(Files().FileExists(Program().ExecutablePath()));

    EXPECT_TRUE(Files().RemoveFile(file));
    RemoveDirectoryW(folder.c_str());
    RemoveDirectoryW(parent.c_str());
}

TEST_F(SettingsStore, IniLocationIsAnOrdinaryFileOnly) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string file = std::string(temp) + "qv_store_test.ini";
    const std::wstring location(file.begin(), file.end());
    DeleteFileA(file.c_str());
    WritePrivateProfileStringA("Boot", "Mode", "3", file.c_str());

    SettingValue result;
    EXPECT_EQ(ReadSetting(location, L"Boot", L"Mode", L"D", int32_t{0}, result), 0);
    EXPECT_EQ(result, SettingValue(int32_t{3}));
    EXPECT_EQ(WriteSetting(location, L"Boot", L"Mode", L"D", int32_t{1}), 99) << "only text is written";
    EXPECT_EQ(DeleteSetting(location, L"Boot", L"Mode"), 0);
    EXPECT_EQ(ReadSetting(location, L"Boot", L"Mode", L"S", std::wstring(L"x"), result), 0);
    EXPECT_EQ(result, SettingValue(std::wstring()));

    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(ReadSetting(location, L"Boot", L"Mode", L"S", std::wstring(L"x"), result), 99);
    EXPECT_FALSE(win32::IsOrdinaryFile(location));
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(win32::IsOrdinaryFile(location));
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(file.c_str());
}

TEST_F(SettingsStore, AFailedChangeOfAFileKeepsWindowsReason) {
    const std::wstring missing = L"C:\\qvtest\\no such folder\\held.bin";
    const Done written = Files().WriteBytes(missing, {1, 2});
    EXPECT_FALSE(written);
    EXPECT_EQ(written.Code(), static_cast<uint32_t>(ERROR_PATH_NOT_FOUND));
    const Done held = Files().WriteHeldFile(missing, {1, 2});
    EXPECT_EQ(held.Code(), static_cast<uint32_t>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(Files().RemoveFile(missing).Code(), static_cast<uint32_t>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(Files().RenameFile(missing, missing + L".new").Code(), static_cast<uint32_t>(ERROR_PATH_NOT_FOUND));
}

}  // namespace
}  // namespace qv
