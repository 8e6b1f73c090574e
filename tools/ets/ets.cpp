// Stand-in for the companion "ets.exe": records how it was started and what
// the batch file held, then runs the batch with cmd.exe. Its records go
// beside itself, because the batch is deleted once it returns:
//   ets-command.txt  the whole command line
//   ets-batch.txt    the batch file's bytes as they were
//   ets-output.txt   what the batch printed, then "exit N"
#include <string>
#include <vector>

#include <windows.h>

namespace {

std::string OwnFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.rfind('\\') + 1);
}

void WriteWhole(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string ReadWhole(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = OwnFolder();
    WriteWhole(folder + "ets-command.txt", GetCommandLineA());
    if (argc != 2) {
        WriteWhole(folder + "ets-output.txt", "expected one argument\r\nexit 2\r\n");
        return 2;
    }
    const std::string batch = argv[1];
    WriteWhole(folder + "ets-batch.txt", ReadWhole(batch));

    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE output = CreateFileA((folder + "ets-output.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = output;
    std::string command = "cmd.exe /c \"" + batch + "\"";
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    PROCESS_INFORMATION process{};
    DWORD exitCode = 1;
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    const std::string tail = "exit " + std::to_string(exitCode) + "\r\n";
    DWORD written = 0;
    SetFilePointer(output, 0, nullptr, FILE_END);
    WriteFile(output, tail.data(), static_cast<DWORD>(tail.size()), &written, nullptr);
    CloseHandle(output);
    return static_cast<int>(exitCode);
}
