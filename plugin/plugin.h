// The plugin proper: stores a preview of every model the viewer loads that has
// none yet, and offers a button that replaces it with the current view.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "gdiplus_scope.h"
#include "plugin_base.h"
#include "team_store.h"

namespace tamsel {

class Plugin : public PluginBase {
public:
    explicit Plugin(HINSTANCE module_handle);
    ~Plugin() override;

    void get_plugin_info(PluginInfo* info) override;
    void on_plugin_load(PluginId id, std::uint8_t unused, HWND window) override;
    void on_plugin_unload() override;
    void on_model_load() override;
    void on_button_click(std::int32_t clicked_id) override;

    // Renders the current view and stores it as a PNG in the local store and,
    // when one is set, in the team store. Reports nothing.
    void save_view_preview(const StorePaths& paths);

    // The preview files of the loaded model in both stores; empty without a
    // model or key, the team one also without a team store.
    const StorePaths& current_store_paths() const { return store_paths; }

private:
    void ReleaseDialogAndGdiplus();

    std::int32_t button_id = 0;
    StorePaths store_paths;
    std::optional<GdiplusScope> gdiplus;  // from load to unload
    bool unload_pending = false;          // asked for while the dialog showed
};

}  // namespace tamsel
