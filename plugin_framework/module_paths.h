// Where a plugin keeps its files, worked out from its module's path. Portable
// code: no Windows headers, so the rules are tested as plain functions.
#pragma once

#include <string>

namespace tamsel {

// The path up to its last backslash; the whole path when there is none.
std::wstring ModuleFolder(const std::wstring& module_path);
// The part after the last backslash; the whole path when there is none.
std::wstring ModuleFileName(const std::wstring& module_path);
// The module file name up to its last "."; the whole file name when there is none.
std::wstring ModuleName(const std::wstring& module_path);

// The module folder, a backslash, the folder name, a backslash; empty when the
// module path is unknown (empty).
std::wstring DataFolderBeside(const std::wstring& module_path, const std::wstring& folder_name);

// The application-data folder followed by "\Kelvarrion\plugins\<module name>\";
// empty when that folder or the module path is unknown (empty).
std::wstring PluginFolderUnder(const std::wstring& app_data_folder, const std::wstring& module_path);

}  // namespace tamsel
