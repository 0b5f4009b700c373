// Whether a folder that the installer is asked to create can exist at all.
#pragma once

#include <functional>
#include <string>

namespace tamsel {

enum class PathKind { Missing, Folder, File };

// The first path on the way down to `folder` (the folder itself included) that
// is a file, so that no folder can be created there; empty when there is none.
// The drive or share root is not asked about; a missing step ends the walk,
// since nothing below it exists yet.
std::wstring FindFileInTheWay(const std::wstring& folder,
                              const std::function<PathKind(const std::wstring&)>& kind_of);

}  // namespace tamsel
