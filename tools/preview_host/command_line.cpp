#include "command_line.h"

#include <cwctype>

namespace tamsel {
namespace {

bool ParseSide(const std::wstring& text, int& side) {
    if (text.empty() || text.size() > 4) return false;
    int value = 0;
    for (wchar_t c : text) {
        if (!std::iswdigit(c)) return false;
        value = value * 10 + (c - L'0');
    }
    if (value < 1 || value > 8192) return false;
    side = value;
    return true;
}

}  // namespace

bool ParsePaneSize(const std::wstring& text, PaneSize& size) {
    const std::size_t x = text.find(L'x');
    if (x == std::wstring::npos) return false;
    PaneSize parsed;
    if (!ParseSide(text.substr(0, x), parsed.width) || !ParseSide(text.substr(x + 1), parsed.height)) return false;
    size = parsed;
    return true;
}

bool ParseHostArguments(const std::vector<std::wstring>& args, HostOptions& options, std::wstring& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        const bool has_value = i + 1 < args.size();
        if (arg == L"--report") {
            options.report = true;
        } else if (arg == L"--size" || arg == L"--resize") {
            PaneSize size;
            if (!has_value || !ParsePaneSize(args[++i], size)) {
                error = arg + L" needs WIDTHxHEIGHT, each 1 to 8192";
                return false;
            }
            if (arg == L"--resize") {
                options.actions.push_back({HostAction::Kind::Resize, size, {}});
            } else if (options.actions.empty()) {
                options.size = size;
            } else {
                error = L"--size sets the first size; use --resize after --save or --resize";
                return false;
            }
        } else if (arg == L"--save") {
            if (!has_value || args[i + 1].empty()) {
                error = L"--save needs a file name";
                return false;
            }
            options.actions.push_back({HostAction::Kind::Save, {}, args[++i]});
        } else if (arg.size() > 1 && arg[0] == L'-' && arg[1] == L'-') {
            error = L"unknown option " + arg;
            return false;
        } else if (options.file.empty()) {
            options.file = arg;
        } else {
            error = L"only one file can be previewed";
            return false;
        }
    }
    if (options.file.empty()) {
        error = L"no file given";
        return false;
    }
    return true;
}

}  // namespace tamsel
