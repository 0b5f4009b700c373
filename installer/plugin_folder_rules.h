// The installer's plugin folder: whether it can be created, which folders the
// install creates, and which of them an uninstall may remove again.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tamsel {

enum class PathKind { Missing, Folder, File };

struct PluginFolderPlan {
    std::wstring file_in_the_way;  // a file where a folder of the path must go; empty when none
    std::wstring first_missing;    // the topmost folder that the install creates; empty when all exist
};

// Walks the path down from below its drive or share root, asking `kind_of`
// about each step until one is missing (nothing below it exists yet).
PluginFolderPlan PlanPluginFolder(const std::wstring& folder,
                                  const std::function<PathKind(const std::wstring&)>& kind_of);

// `folder` and each of its parents up to `top`, deepest first, without
// trailing backslashes; empty unless `top` is `folder` or one of its parents.
std::vector<std::wstring> FoldersUpTo(const std::wstring& folder, const std::wstring& top);

}  // namespace tamsel
