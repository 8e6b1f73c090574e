// The running Windows: version record, clean-boot state, the edition number
// from WMI, bitness, folders, drives, network connections and code pages.
#include <iterator>
#include <string>
#include <vector>

#include <windows.h>
#include <oleauto.h>
#include <wbemidl.h>
#include <winnetwk.h>

#include "system/error_text_win32.h"
#include "system/handles_win32.h"
#include "system/process.h"
#include "system/seams_win32.h"
#include "system/system_library_win32.h"

namespace qv::win32 {

namespace {

// Owns a BSTR for the calls that insist on one.
class Bstr {
public:
    explicit Bstr(const wchar_t* text) : value_(SysAllocString(text)) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(value_); }
    BSTR Get() const { return value_; }
    explicit operator bool() const { return value_ != nullptr; }

private:
    BSTR value_;
};

// A VARIANT that clears itself.
struct Variant {
    VARIANT value;
    Variant() { VariantInit(&value); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&value); }
};

// Balances CoInitializeEx only when this call was the one that initialised COM
// on the thread (S_OK or S_FALSE); a thread already in the other apartment
// model (RPC_E_CHANGED_MODE) can still use COM but must not be uninitialised.
class ComApartment {
public:
    ComApartment() {
        HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        owned_ = SUCCEEDED(result);
        usable_ = owned_ || result == RPC_E_CHANGED_MODE;
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (owned_) CoUninitialize();
    }
    bool Usable() const { return usable_; }

private:
    bool owned_ = false;
    bool usable_ = false;
};

// The OperatingSystemSKU of the last Win32_OperatingSystem instance; 0 for none
// and for every failure on the way.
int32_t ReadSkuFromWmi() {
    // Fails with RPC_E_TOO_LATE when the process has chosen its security
    // already; the proxy blanket below covers the calls either way.
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                         EOAC_NONE, nullptr);

    ComPtr<IWbemLocator> locator;
    if (FAILED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                reinterpret_cast<void**>(locator.Put()))))
        return 0;

    Bstr nameSpace(L"ROOT\\CIMV2");
    Bstr className(L"Win32_OperatingSystem");
    if (!nameSpace || !className) return 0;

    ComPtr<IWbemServices> services;
    // A broken WMI service must not hold the program for ever: the connection
    // gives up after two minutes, each answer after the command time limit.
    if (FAILED(locator->ConnectServer(nameSpace.Get(), nullptr, nullptr, nullptr, WBEM_FLAG_CONNECT_USE_MAX_WAIT,
                                      nullptr, nullptr, services.Put())))
        return 0;
    if (FAILED(CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                                 RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE)))
        return 0;

    ComPtr<IEnumWbemClassObject> instances;
    if (FAILED(services->CreateInstanceEnum(className.Get(), WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                            nullptr, instances.Put())))
        return 0;

    int32_t sku = 0;
    for (;;) {
        ComPtr<IWbemClassObject> instance;
        ULONG returned = 0;
        HRESULT next = instances->Next(CommandLimitMs(), 1, instance.Put(), &returned);
        if (FAILED(next) || next == WBEM_S_TIMEDOUT) return 0;
        if (returned == 0) break;

        Variant raw;
        Variant number;
        if (FAILED(instance->Get(L"OperatingSystemSKU", 0, &raw.value, nullptr, nullptr))) return 0;
        // WMI hands uint32 properties over as VT_I4; convert whatever arrives.
        if (FAILED(VariantChangeType(&number.value, &raw.value, 0, VT_I4))) return 0;
        sku = number.value.lVal;
    }
    return sku;
}

}  // namespace

std::optional<VersionRecord> Win32RunningWindows::GetVersionRecord(uint32_t size) {
    // The callers count sizes as the ANSI records do; the wide records are
    // larger by the wide service-pack field.
    DWORD wideSize = size;
    if (size == sizeof(OSVERSIONINFOEXA)) wideSize = sizeof(OSVERSIONINFOEXW);
    if (size == sizeof(OSVERSIONINFOA)) wideSize = sizeof(OSVERSIONINFOW);
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = wideSize;
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return std::nullopt;

    VersionRecord record;
    record.size = size;
    record.majorVersion = info.dwMajorVersion;
    record.minorVersion = info.dwMinorVersion;
    record.buildNumber = info.dwBuildNumber;
    record.platformId = info.dwPlatformId;
    // The whole field, NULs and what follows them included; the caller cuts it.
    record.csdVersion.assign(info.szCSDVersion, std::size(info.szCSDVersion));
    // The plain record ends before these; they stay zero then.
    record.servicePackMajor = info.wServicePackMajor;
    record.servicePackMinor = info.wServicePackMinor;
    record.suiteMask = info.wSuiteMask;
    record.productType = info.wProductType;
    record.reserved = info.wReserved;
    return record;
}

int Win32RunningWindows::CleanBootState() { return GetSystemMetrics(SM_CLEANBOOT); }

int32_t Win32RunningWindows::QueryOperatingSystemSku() {
    ComApartment apartment;
    if (!apartment.Usable()) return 0;
    return ReadSkuFromWmi();
}

namespace {
constexpr DWORD kFirstRemoteNameSize = 80;
}

Connection Win32RunningWindows::GetConnection(const std::wstring& drive) {
    // mpr.dll is no DLL that Windows always takes from the system folder, so
    // it is not imported but loaded from there by its full path.
    using GetConnectionFn = DWORD(WINAPI*)(LPCWSTR, LPWSTR, LPDWORD);
    static const auto getConnection = SystemFunctionAs<GetConnectionFn>(L"mpr.dll", "WNetGetConnectionW");
    if (!getConnection) return {};
    // A name longer than the buffer is asked for again with the size the system wants.
    DWORD size = kFirstRemoteNameSize;
    std::vector<wchar_t> buffer;
    DWORD status = ERROR_MORE_DATA;
    while (status == ERROR_MORE_DATA) {
        buffer.assign(size, L'\0');
        status = getConnection(drive.c_str(), buffer.data(), &size);
    }
    if (status == ERROR_NOT_CONNECTED) return {};
    // Any other failure says nothing of the drive; it counts as local.
    if (status != NO_ERROR) return {Connection::State::Unknown, {}};
    return {Connection::State::Connected, std::wstring(buffer.data())};
}

std::optional<std::string> Win32RunningWindows::ToOemText(const std::wstring& text) {
    if (text.empty()) return std::string();
    // Without WC_NO_BEST_FIT_CHARS "ō" would pass as "o" and name another path.
    const int length = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    int size =
        WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0, nullptr, &usedDefault);
    if (size == 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, text.data(), length, out.data(), size, nullptr, &usedDefault);
    if (usedDefault) return std::nullopt;
    return out;
}

uint32_t Win32RunningWindows::DriveType(const std::wstring& root) { return GetDriveTypeW(root.c_str()); }

uint32_t Win32RunningWindows::OemCodePage() { return GetOEMCP(); }

std::wstring Win32RunningWindows::ErrorText(uint32_t code) { return SystemErrorText(code); }

bool Win32RunningWindows::Is64BitWindows() {
    if constexpr (sizeof(void*) == 8) return true;
    // Looked up at run time: Windows 2000 and the first XP lack it, and they are 32-bit.
    using IsWow64Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
    static const auto isWow64 = SystemFunctionAs<IsWow64Fn>(L"kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

std::wstring Win32RunningWindows::SystemFolder() { return SystemDirectory(); }

// The shared one on a terminal server, not the user's own.
std::wstring Win32RunningWindows::WindowsFolder() {
    return ReportedFolder(GetSystemWindowsDirectoryW, L"C:\\Windows");
}

}  // namespace qv::win32
