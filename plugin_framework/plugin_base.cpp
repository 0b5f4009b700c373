#include "plugin_base.h"

#include <shlobj.h>

#include "module_file_path.h"
#include "module_paths.h"

namespace tamsel {
namespace {

// The shell folder's path; empty when the query fails, so no path is ever
// formed from a buffer the shell did not fill.
std::wstring ShellFolder(int csidl) {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, buffer))) return {};
    return buffer;
}

constexpr wchar_t kTemplateName[] = L"Orvane plugin template";

}  // namespace

PluginBase::PluginBase(HINSTANCE module)
    : module_handle(module) {
    data_folder = DataFolderBeside(ModuleFilePath(module_handle), PluginBase::data_folder_name());
}

PluginBase::~PluginBase() = default;

const std::wstring& PluginBase::FolderOnFirstUse(std::optional<std::wstring>& folder, int csidl) const {
    if (!folder) folder = PluginFolderUnder(ShellFolder(csidl), ModuleFilePath(module_handle));
    return *folder;
}

const std::wstring& PluginBase::user_folder() const { return FolderOnFirstUse(user_folder_, CSIDL_LOCAL_APPDATA); }

const std::wstring& PluginBase::common_folder() const { return FolderOnFirstUse(common_folder_, CSIDL_COMMON_APPDATA); }

void PluginBase::on_api_version(const ApiVersion*) {}

void PluginBase::get_plugin_info(PluginInfo* info) {
    info->name = kTemplateName;
    info->producer = kMakerName;
    info->web_page = kMakerWebPage;
    info->email = kMakerEmail;
    info->description = kTemplateName;
    info->folder = data_folder.c_str();
}

void PluginBase::on_plugin_load(PluginId id, std::uint8_t, HWND window) {
    plugin_id = id;
    parent_window = window;
    touch_mode = host::is_touch_mode(plugin_id);

    // Without a language code there is no "lang.<code>" to try: English it is.
    const wchar_t* code = host::get_language(plugin_id);
    const bool loaded = code != nullptr &&
        host::load_texts(plugin_id, plugin_file_path((L"lang." + std::wstring(code)).c_str()).c_str()) != 0;
    if (!loaded) host::load_texts(plugin_id, plugin_file_path(L"lang.en").c_str());
}

void PluginBase::on_plugin_unload() {}

void PluginBase::on_gui_colors_change() { touch_mode = host::is_touch_mode(plugin_id); }

void PluginBase::on_measure_change() {}

void PluginBase::on_model_load() {
    all_objects_id = host::get_all_objects_id(plugin_id);
    selected_id = host::get_selected_id(plugin_id);
}

void PluginBase::on_selection_change() {}
void PluginBase::on_draw() {}
void PluginBase::on_context_menu() {}
void PluginBase::on_tab_change() {}
void PluginBase::on_button_click(std::int32_t) {}

std::wstring PluginBase::data_folder_name() const {
    return ModuleName(ModuleFilePath(module_handle)) + L"_data";
}

const wchar_t* PluginBase::get_text(const char* key) const { return host::get_text(plugin_id, key); }

std::wstring PluginBase::plugin_file_path(const wchar_t* file_name) const {
    return file_name ? data_folder + file_name : data_folder;
}

}  // namespace tamsel
