// What preview_host is asked to do, read from its arguments.
#pragma once

#include <string>
#include <vector>

namespace tamsel {

struct PaneSize {
    int width = 366;
    int height = 422;
};

struct HostAction {
    enum class Kind { Resize, Save } kind;
    PaneSize size;      // Resize
    std::wstring path;  // Save
};

struct HostOptions {
    std::wstring file;
    PaneSize size;                    // client area at the first preview
    std::vector<HostAction> actions;  // after the preview, in the order given
    bool report = false;
};

// "366x422" -> 366 by 422; false for anything else or a side outside 1..8192.
bool ParsePaneSize(const std::wstring& text, PaneSize& size);

// Reads `preview_host <file> [--size WxH] [--save PNG | --resize WxH]... [--report]`.
// Returns false with a message in `error` when the arguments make no sense.
bool ParseHostArguments(const std::vector<std::wstring>& args, HostOptions& options, std::wstring& error);

}  // namespace tamsel
