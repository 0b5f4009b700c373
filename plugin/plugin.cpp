#include "plugin.h"

#include <shlobj.h>

#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "capture_rules.h"
#include "gui_preview.h"
#include "preview_png.h"
#include "bounded_work.h"
#include "preview_store.h"

namespace tamsel {
namespace {

// A host text of our own; none where the host has none.
std::optional<std::wstring> CopiedText(const wchar_t* text) {
    if (!text) return std::nullopt;
    return std::wstring(text);
}

const wchar_t* OrNull(const std::optional<std::wstring>& text) { return text ? text->c_str() : nullptr; }

}  // namespace

Plugin::Plugin(HINSTANCE module_handle) : PluginBase(module_handle) {}

// The module stays loaded from on_plugin_load to on_plugin_unload, so the
// dialog and GDI+ can outlive the unload only when the process ends, under the
// loader lock: the process takes them along, and neither may be touched there.
Plugin::~Plugin() {
    static_cast<void>(frm_preview.release());
    if (gdiplus) gdiplus->abandon();
}

void Plugin::get_plugin_info(PluginInfo* info) {
    if (!info) return;
    PluginBase::get_plugin_info(info);
    info->name = L"Tamsel";
    info->description = L"Generate system preview for IFC files.";
}

void Plugin::on_plugin_load(PluginId id, std::uint8_t unused, HWND window) {
    PluginBase::on_plugin_load(id, unused, window);
    button_id = host::create_button(plugin_id, 0, button_callback);
    // Each text copied at once: the viewer's buffer may hold its next answer.
    const std::optional<std::wstring> caption = CopiedText(get_text("btn_update_preview"));
    const std::optional<std::wstring> hint = CopiedText(get_text("btn_update_preview.hint"));
    host::set_button_text(plugin_id, button_id, OrNull(caption), OrNull(hint));
    host::set_button_image(plugin_id, button_id, plugin_file_path(L"icon.png").c_str());
    host::set_button_small_image(plugin_id, button_id, plugin_file_path(L"icon_small.png").c_str());
    host::enable_button(plugin_id, button_id, 0);
    host::set_screenshot_style(plugin_id, 1);

    if (!gdiplus || !gdiplus->ok()) gdiplus.emplace();
}

void Plugin::on_plugin_unload() {
    if (modal_loop_running) {
        // The viewer unloads from a message that the dialog's loop dispatched:
        // the loop ends as if the dialog were closed, and the dialog and GDI+
        // go once it has.
        frm_preview->EndModal();
        unload_pending = true;
        return;
    }
    ReleaseDialogAndGdiplus();
}

void Plugin::ReleaseDialogAndGdiplus() {
    frm_preview.reset();  // first: the dialog's picture is a GDI+ object
    gdiplus.reset();
}

void Plugin::on_model_load() {
    try {
        store_paths = {};
        PluginBase::on_model_load();

        const wchar_t* host_path = host::get_loaded_ifc_path(plugin_id);
        const std::wstring model_path = host_path ? host_path : L"";
        if (model_path.empty()) {
            host::enable_button(plugin_id, button_id, 0);
            return;
        }
        const std::wstring key = ComputePreviewKeyOfFile(model_path);
        if (key.empty()) return;
        const StorePaths paths = GetStorePaths(key);
        if (paths.local.empty()) return;  // the shell could not name the store
        store_paths = paths;

        host::enable_button(plugin_id, button_id, 1);
        // A picture in either store is the model's: made here or on another workstation.
        if (StoreHoldsPicture(paths)) return;

        // The team store's folder is the administrator's to create, with its permissions.
        SHCreateDirectoryExW(nullptr, GetPreviewStoreFolder().c_str(), nullptr);
        save_view_preview(paths);
    } catch (const std::bad_alloc&) {
        store_paths = {};
    }
}

void Plugin::on_button_click(std::int32_t clicked_id) {
    // A click that the dialog's own loop dispatches finds the dialog showing.
    if (modal_loop_running || clicked_id != button_id || !StoreHoldsPicture(current_store_paths())) return;
    try {
        if (!frm_preview) frm_preview = std::make_unique<Tfrm_preview>(*this);
    } catch (...) {
        return;
    }
    modal_loop_running = true;
    const int answer = frm_preview->ShowModal();
    modal_loop_running = false;
    if (std::exchange(unload_pending, false)) {
        ReleaseDialogAndGdiplus();
        return;
    }
    if (answer == IDYES) save_view_preview(current_store_paths());
}

void Plugin::save_view_preview(const StorePaths& paths) {
    if (!gdiplus || !gdiplus->ok() || paths.local.empty()) return;

    // Zeroed first: a host without get_view_rect leaves it so, and nothing is captured.
    std::int32_t rect[4] = {};
    host::get_view_rect(plugin_id, rect);
    const std::optional<PictureSize> size = CaptureSizeForView({rect[0], rect[1], rect[2], rect[3]});
    if (!size) return;

    std::unique_ptr<std::uint8_t[]> bitmap;
    const std::size_t stride = BitmapRowStride(size->width);
    {
        const std::size_t render_bytes = static_cast<std::size_t>(size->width) * size->height * 3;
        std::unique_ptr<std::uint8_t[]> rendered(new (std::nothrow) std::uint8_t[render_bytes]());
        if (!rendered || host::render_screenshot(plugin_id, size->width, size->height, rendered.get()) == 0) {
            return;
        }
        bitmap.reset(new (std::nothrow) std::uint8_t[stride * size->height]());
        if (!bitmap) return;
        FlipRenderRowsToBitmap(rendered.get(), *size, bitmap.get(), stride);
    }
    std::vector<std::uint8_t> png = EncodePreviewPng(bitmap.get(), stride, *size);
    bitmap.reset();
    if (png.empty()) return;
    ReplaceFileContent(paths.local, png);
    if (paths.team.empty()) return;
    // The copy for the team store is written on a worker: the viewer waits for
    // the share no longer than for a lookup, and a write that overruns ends (or
    // fails, leaving nothing half-written) on its own.
    try {
        CallBounded([path = paths.team, png = std::move(png)] { return ReplaceFileContent(path, png); },
                    kTeamStoreWaitMs);
    } catch (...) {
        // Like every failed write: the share simply has no copy.
    }
}

PluginBase* CreatePlugin(HINSTANCE module_handle) {
    try {
        return new Plugin(module_handle);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace tamsel
