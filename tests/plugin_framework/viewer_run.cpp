#include "viewer_run.h"

#include <fstream>
#include <sstream>

#include "preview_store.h"
#include "win32_raii.h"

int ViewerRun::Find(const std::string& prefix, int from) const {
    for (int i = from; i < static_cast<int>(log.size()); ++i)
        if (log[i].compare(0, prefix.size(), prefix) == 0) return i;
    return -1;
}

std::string ViewerRun::Describe() const {
    if (exit_code == kNotStarted) return "not started, error " + std::to_string(start_error);
    std::string text = "log ends:";
    for (std::size_t i = log.size() > 20 ? log.size() - 20 : 0; i < log.size(); ++i) text += "\n  " + log[i];
    return text;
}

int ViewerRun::Count(const std::string& prefix, int from, int to) const {
    int count = 0;
    for (int i = from; i < to && i < static_cast<int>(log.size()); ++i)
        count += log[i].compare(0, prefix.size(), prefix) == 0;
    return count;
}

std::vector<std::string> ViewerRun::LinesStartingWith(const std::string& prefix) const {
    std::vector<std::string> lines;
    for (const std::string& line : log)
        if (line.compare(0, prefix.size(), prefix) == 0) lines.push_back(line);
    return lines;
}

std::wstring BinPath(const std::wstring& relative) {
    std::wstring path = std::wstring(TAMSEL_TEST_BIN_DIR) + L"\\" + relative;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

std::wstring TestFile(const std::wstring& name) { return BinPath(L"tests\\plugin_framework\\" + name); }

std::string Utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? size - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, result.data(), size, nullptr, nullptr);
    return result;
}

namespace {

std::wstring Quoted(const std::wstring& argument) { return L"\"" + argument + L"\""; }

std::vector<std::string> ReadLines(const std::wstring& path) {
    std::ifstream file(Utf8(path).c_str(), std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

ViewerRun RunViewer(const wchar_t* variant, const std::wstring& name, const std::vector<std::wstring>& arguments) {
    const std::wstring log = TestFile(name + L".log");
    std::vector<std::wstring> all = {L"--plugin", BinPath(L"plugin\\tamsel.dll"), L"--log", log};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return RunProgram(BinPath(std::wstring(L"tools\\standin_viewer\\") + variant + L".exe"), all, log);
}

ViewerRun RunProgram(const std::wstring& program, const std::vector<std::wstring>& arguments,
                     const std::wstring& log) {
    DeleteFileW(log.c_str());
    std::wstring command = Quoted(program);
    for (const std::wstring& argument : arguments) command += L" " + Quoted(argument);

    ViewerRun run;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        run.exit_code = kNotStarted;
        run.start_error = GetLastError();
        return run;
    }
    tamsel::UniqueFile process_handle(process.hProcess);
    tamsel::UniqueFile thread_handle(process.hThread);
    if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 0xBAD);
        WaitForSingleObject(process.hProcess, 5000);
    }
    GetExitCodeProcess(process.hProcess, &run.exit_code);
    run.log = ReadLines(log);
    return run;
}

OwnModel::OwnModel(const std::wstring& name) : path_(TestFile(name + L".ifc")) {
    std::ostringstream content;
    content << "ISO-10303-21;\n/* " << Utf8(name) << " " << GetCurrentProcessId() << " " << GetTickCount64()
            << " */\nEND-ISO-10303-21;\n";
    std::ofstream(Utf8(path_).c_str(), std::ios::binary) << content.str();
    preview_ = tamsel::GetPreviewFilePath(tamsel::ComputePreviewKeyOfFile(path_));
}

OwnModel::~OwnModel() {
    if (!preview_.empty()) DeleteFileW(preview_.c_str());
    DeleteFileW(path_.c_str());
}

bool OwnModel::HasPreview() const {
    return !preview_.empty() && GetFileAttributesW(preview_.c_str()) != INVALID_FILE_ATTRIBUTES;
}
