// The plugin object that the framework's entry point creates in the test
// program: it notes every operation that reaches it, then runs the base's.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "plugin_base.h"

class RecordingPlugin;

struct PluginLog {
    RecordingPlugin* current = nullptr;  // made at attach, gone at detach
    std::vector<std::string> operations;
    bool operations_throw = false;  // each operation throws after noting itself
    bool creation_throws = false;   // CreatePlugin throws
    int destroyed = 0;
};

PluginLog& Plugins();

class RecordingPlugin : public tamsel::PluginBase {
public:
    using PluginBase::PluginBase;
    ~RecordingPlugin() override {
        ++Plugins().destroyed;
        Plugins().current = nullptr;
    }

    void on_api_version(const tamsel::ApiVersion* host_version) override {
        Note("on_api_version " + std::to_string(host_version->major) + "." + std::to_string(host_version->minor));
        PluginBase::on_api_version(host_version);
    }
    void get_plugin_info(tamsel::PluginInfo* info) override {
        Note("get_plugin_info");
        PluginBase::get_plugin_info(info);
    }
    void on_plugin_load(tamsel::PluginId id, std::uint8_t byte, HWND window) override {
        Note("on_plugin_load " + std::to_string(id) + " " + std::to_string(byte));
        PluginBase::on_plugin_load(id, byte, window);
    }
    void on_plugin_unload() override { Note("on_plugin_unload"); }
    void on_gui_colors_change() override {
        Note("on_gui_colors_change");
        PluginBase::on_gui_colors_change();
    }
    void on_measure_change() override { Note("on_measure_change"); }
    void on_model_load() override {
        Note("on_model_load");
        PluginBase::on_model_load();
    }
    void on_selection_change() override { Note("on_selection_change"); }
    void on_draw() override { Note("on_draw"); }
    void on_context_menu() override { Note("on_context_menu"); }
    void on_tab_change() override { Note("on_tab_change"); }
    void on_button_click(std::int32_t button_id) override { Note("on_button_click " + std::to_string(button_id)); }

    // The base's state, for the tests to read.
    tamsel::HostCallback callback_for_buttons() const { return button_callback; }
    bool touch() const { return touch_mode != 0; }
    std::int64_t all_objects() const { return all_objects_id; }
    std::int64_t selected() const { return selected_id; }
    const std::wstring& user() const { return user_folder(); }
    const std::wstring& common() const { return common_folder(); }

private:
    static void Note(const std::string& operation) {
        Plugins().operations.push_back(operation);
        if (Plugins().operations_throw) throw std::runtime_error(operation);
    }
};
