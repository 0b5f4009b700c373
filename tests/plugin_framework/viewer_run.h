// Runs a build of the stand-in viewer with the plugin and reads its log.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

inline constexpr DWORD kNotStarted = 0xDEAD;

struct ViewerRun {
    DWORD exit_code = 0;            // kNotStarted when the program could not be started
    DWORD start_error = 0;          // GetLastError of CreateProcessW then
    std::vector<std::string> log;  // lines, UTF-8

    // Index of the first line at or after `from` that starts with `prefix`; -1 if none.
    int Find(const std::string& prefix, int from = 0) const;
    bool Has(const std::string& prefix) const { return Find(prefix) >= 0; }
    // How many lines in [from, to) start with `prefix`.
    int Count(const std::string& prefix, int from, int to) const;
    // For failure messages: why it did not start, or the end of the log.
    std::string Describe() const;
    // Lines that start with `prefix`, in order.
    std::vector<std::string> LinesStartingWith(const std::string& prefix) const;
};

// The build folder with backslashes, as the programs under test see it.
std::wstring BinPath(const std::wstring& relative);
// A file of the test's own in the test build folder.
std::wstring TestFile(const std::wstring& name);

// Runs tools\standin_viewer\<variant>.exe --plugin <tamsel.dll> --log <file>
// followed by `arguments`; `name` names the log file.
ViewerRun RunViewer(const wchar_t* variant, const std::wstring& name, const std::vector<std::wstring>& arguments);
// Runs `program` with `arguments` and reads the log it writes to `log`.
ViewerRun RunProgram(const std::wstring& program, const std::vector<std::wstring>& arguments,
                     const std::wstring& log);

std::string Utf8(const std::wstring& text);

// An IFC-named file with content no other test has, so its preview is its own;
// the preview is deleted again when the object goes.
class OwnModel {
public:
    explicit OwnModel(const std::wstring& name);
    ~OwnModel();
    OwnModel(const OwnModel&) = delete;
    OwnModel& operator=(const OwnModel&) = delete;

    const std::wstring& path() const { return path_; }
    const std::wstring& preview() const { return preview_; }
    bool HasPreview() const;

private:
    std::wstring path_;
    std::wstring preview_;
};
