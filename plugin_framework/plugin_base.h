// The base of a viewer plugin: a default for every event the viewer sends, the
// plugin's folders, and its language texts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "host_api.h"

namespace tamsel {

// The maker's details in the plugin information record.
inline constexpr wchar_t kMakerName[] = L"Tamsel Software Works";
inline constexpr wchar_t kMakerWebPage[] = L"https://tamsel.example.org/viewer-plugin";
inline constexpr wchar_t kMakerEmail[] = L"support@tamsel.example.org";

struct ApiVersion {
    std::int32_t major;
    std::int32_t minor;
};

struct PluginInfo {
    const wchar_t* name;
    const wchar_t* producer;
    const wchar_t* web_page;
    const wchar_t* email;
    const wchar_t* description;
    const wchar_t* folder;
};

class PluginBase {
public:
    explicit PluginBase(HINSTANCE module_handle);
    virtual ~PluginBase();
    PluginBase(const PluginBase&) = delete;
    PluginBase& operator=(const PluginBase&) = delete;

    // In this slot order; the exported entry points and callbacks reach them.
    virtual void on_api_version(const ApiVersion* host_version);
    virtual void get_plugin_info(PluginInfo* info);
    virtual void on_plugin_load(PluginId id, std::uint8_t unused, HWND window);
    virtual void on_plugin_unload();
    virtual void on_gui_colors_change();
    virtual void on_measure_change();
    virtual void on_model_load();
    virtual void on_selection_change();
    virtual void on_draw();
    virtual void on_context_menu();
    virtual void on_tab_change();
    virtual void on_button_click(std::int32_t button_id);
    virtual std::wstring data_folder_name() const;

    void set_button_callback(HostCallback callback) { button_callback = callback; }

    // The host's text for the key, unchanged; null when it has none.
    const wchar_t* get_text(const char* key) const;
    // The data folder followed by the file name (the folder alone for null).
    std::wstring plugin_file_path(const wchar_t* file_name) const;

    PluginId id() const { return plugin_id; }
    HWND window() const { return parent_window; }
    const std::wstring& folder_of_data() const { return data_folder; }

    // True while the plugin runs a message loop of its own (a modal dialog);
    // whatever that loop dispatches runs with the plugin's code below it.
    bool in_modal_loop() const { return modal_loop_running; }

protected:
    HINSTANCE module_handle;
    HostCallback button_callback = nullptr;
    PluginId plugin_id = 0;
    HWND parent_window = nullptr;
    std::wstring data_folder;
    // Asked of the shell at first use, not at process attach (under the loader lock).
    const std::wstring& user_folder() const;
    const std::wstring& common_folder() const;
    std::int64_t all_objects_id = 0;
    std::int64_t selected_id = 0;
    std::uint8_t touch_mode = 0;
    bool modal_loop_running = false;

private:
    const std::wstring& FolderOnFirstUse(std::optional<std::wstring>& folder, int csidl) const;

    mutable std::optional<std::wstring> user_folder_;
    mutable std::optional<std::wstring> common_folder_;
};

// Made once at process attach by the module's entry point; defined by the plugin.
PluginBase* CreatePlugin(HINSTANCE module_handle);

}  // namespace tamsel
