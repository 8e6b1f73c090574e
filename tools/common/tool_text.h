// Text helpers shared by the test tools that run inside the prefixes
// (answerer, bcdedit stand-in, uiprobe): UTF-8 for their logs and arguments,
// whole files as lines, JSON strings, button captions without their
// mnemonic marks, and output that keeps a record of itself.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

namespace tooltext {

inline std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

inline std::wstring Wide(const std::string& text) {
    if (text.empty()) return {};
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

// A whole file as bytes; false when it cannot be opened. Others may be
// writing it (the rig reads logs while the tools append).
inline bool ReadAll(const wchar_t* path, std::string& content) {
    HANDLE file =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    content.clear();
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
    CloseHandle(file);
    return true;
}

// The lines of a text, without their CR LF or LF; empty lines are left out.
inline std::vector<std::string> NonEmptyLines(const std::string& content) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// A JSON string literal of the text, in UTF-8.
inline std::string JsonString(const std::wstring& text) {
    std::string out = "\"";
    for (unsigned char c : Utf8(text)) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

// A caption as read, without the mnemonic marks: "&Yes" -> "Yes", "&&" -> "&".
inline std::wstring Caption(const std::wstring& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size())
            ++i;
        else if (text[i] == L'&')
            continue;
        out += text[i];
    }
    return out;
}

// Where Print keeps its own record of what it wrote (empty: no record). The
// test rig compares it with what it read, so output lost on its way shows.
inline std::wstring& RecordPath() {
    static std::wstring path;
    return path;
}

// All of the bytes, in as many writes as it takes; false with the error left
// in error when a write fails or makes no progress.
inline bool WriteWhole(HANDLE out, const char* data, DWORD size, DWORD& done, DWORD& error) {
    done = 0;
    error = 0;
    while (done < size) {
        DWORD written = 0;
        if (!WriteFile(out, data + done, size - done, &written, nullptr)) {
            error = GetLastError();
            return false;
        }
        if (written == 0) {
            error = ERROR_WRITE_FAULT;
            return false;
        }
        done += written;
    }
    return true;
}

// One JSON line a Print: the process, the rig's call (QV_RIG_CALL), where the
// text went, how many bytes were meant and written, the error, and the text.
inline void Record(const char* to, const std::wstring& text, DWORD size, DWORD done, DWORD error) {
    if (RecordPath().empty()) return;
    wchar_t call[256] = L"";
    DWORD length = GetEnvironmentVariableW(L"QV_RIG_CALL", call, 256);
    if (length >= 256) call[0] = L'\0';
    std::string line = "{\"pid\": " + std::to_string(GetCurrentProcessId()) + ", \"call\": " + JsonString(call) +
                       ", \"to\": \"" + to + "\", \"bytes\": " + std::to_string(size) +
                       ", \"written\": " + std::to_string(done) + ", \"error\": " + std::to_string(error) +
                       ", \"text\": " + JsonString(text) + "}\r\n";
    HANDLE file = CreateFileW(RecordPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD ignored = 0, unused = 0;
    WriteWhole(file, line.data(), static_cast<DWORD>(line.size()), ignored, unused);
    CloseHandle(file);
}

// UTF-8 text to stdout with CR LF line ends, as the system's console programs
// write it: Unicode on a console, the OEM code page otherwise (a caller
// reading a pipe decodes it so). Every byte is written, or the failure is in
// the record.
inline void Print(const std::string& text) {
    std::wstring wide;
    for (wchar_t c : Wide(text)) {
        if (c == L'\n') wide += L'\r';
        wide += c;
    }
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0, done = 0, error = 0;
    if (!out || out == INVALID_HANDLE_VALUE) {
        Record("none", wide, 0, 0, GetLastError());
        return;
    }
    if (GetConsoleMode(out, &mode)) {
        while (done < wide.size()) {
            DWORD written = 0;
            if (!WriteConsoleW(out, wide.data() + done, static_cast<DWORD>(wide.size() - done), &written, nullptr) ||
                written == 0) {
                error = GetLastError();
                break;
            }
            done += written;
        }
        Record("console", wide, static_cast<DWORD>(wide.size()), done, error);
        return;
    }
    int size =
        WideCharToMultiByte(CP_OEMCP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string oem(size > 0 ? size : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_OEMCP, 0, wide.data(), static_cast<int>(wide.size()), oem.data(), size, nullptr,
                            nullptr);
    WriteWhole(out, oem.data(), static_cast<DWORD>(oem.size()), done, error);
    const DWORD type = GetFileType(out);
    Record(type == FILE_TYPE_DISK   ? "file"
           : type == FILE_TYPE_PIPE ? "pipe"
                                    : "other",
           wide, static_cast<DWORD>(oem.size()), done, error);
}

}  // namespace tooltext
