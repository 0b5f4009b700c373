// The functions the viewer finds by name in the plugin module.
#pragma once

#include <windows.h>

#include <cstdint>

#include "plugin_base.h"

extern "C" {
void WINAPI get_api_verion(const tamsel::ApiVersion* host_version, tamsel::ApiVersion* plugin_version);
void WINAPI get_plugin_info(tamsel::PluginInfo* info);
void WINAPI on_plugin_load(tamsel::PluginId id, std::uint8_t unused, HWND window);
void on_plugin_unload();
void on_gui_colors_change();
}
