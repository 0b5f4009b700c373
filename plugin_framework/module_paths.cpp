#include "module_paths.h"

namespace tamsel {

std::wstring ModuleFolder(const std::wstring& module_path) {
    const auto slash = module_path.rfind(L'\\');
    return slash == std::wstring::npos ? module_path : module_path.substr(0, slash);
}

std::wstring ModuleFileName(const std::wstring& module_path) {
    const auto slash = module_path.rfind(L'\\');
    return slash == std::wstring::npos ? module_path : module_path.substr(slash + 1);
}

std::wstring ModuleName(const std::wstring& module_path) {
    const std::wstring file_name = ModuleFileName(module_path);
    const auto dot = file_name.rfind(L'.');
    return dot == std::wstring::npos ? file_name : file_name.substr(0, dot);
}

std::wstring DataFolderBeside(const std::wstring& module_path, const std::wstring& folder_name) {
    if (module_path.empty()) return {};
    return ModuleFolder(module_path) + L'\\' + folder_name + L'\\';
}

std::wstring PluginFolderUnder(const std::wstring& app_data_folder, const std::wstring& module_path) {
    if (app_data_folder.empty() || module_path.empty()) return {};
    return app_data_folder + L"\\Kelvarrion\\plugins\\" + ModuleName(module_path) + L'\\';
}

}  // namespace tamsel
