// Which folder a team store policy value names. Portable code: no Windows
// headers, so the rule is tested as a table on its own.
#pragma once

#include <string>

namespace tamsel {

// The folder of an (already expanded) policy value, ending in one backslash
// so that keys are appended directly: "\\server\share\tamsel" and
// "\\server\share\tamsel\" name the same folder. Empty unless the value is an
// absolute path, that is a UNC path ("\\server\...") or a drive and its root
// ("C:\..."): a relative one would depend on whichever folder the process
// happens to stand in. Forward slashes count as backslashes.
std::wstring TeamStoreFolderFromPolicy(const std::wstring& value);

}  // namespace tamsel
