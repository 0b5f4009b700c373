#include "session.h"

#include <cstdio>

#include "dialog_watcher.h"
#include "gdiplus_scope.h"
#include "host_log.h"
#include "host_state.h"
#include "plugin_base.h"
#include "png_file.h"
#include "script.h"
#include "viewer_window.h"

namespace standin {
namespace {

using tamsel::ApiVersion;
using tamsel::PluginInfo;

// The host's own version, handed to the plugin.
constexpr ApiVersion kHostApiVersion = {5, 4};
// The byte handed to on_plugin_load; the plugins of this project ignore it.
constexpr std::uint8_t kLoadFlag = 1;

// The plugin module and its five entry points.
class LoadedPlugin {
public:
    using GetApiVersion = void(WINAPI*)(const ApiVersion*, ApiVersion*);
    using GetPluginInfo = void(WINAPI*)(PluginInfo*);
    using OnPluginLoad = void(WINAPI*)(tamsel::PluginId, std::uint8_t, HWND);
    using Notify = void (*)();

    bool Load(const std::wstring& path) {
        module_ = LoadLibraryW(path.c_str());
        if (!module_) {
            LogViewer("plugin not loaded, error " + std::to_string(GetLastError()));
            return false;
        }
        return Find("get_api_verion", &get_api_verion) && Find("get_plugin_info", &get_plugin_info) &&
               Find("on_plugin_load", &on_plugin_load) && Find("on_plugin_unload", &on_plugin_unload) &&
               Find("on_gui_colors_change", &on_gui_colors_change);
    }

    void Free() {
        if (module_) FreeLibrary(std::exchange(module_, nullptr));
    }
    ~LoadedPlugin() { Free(); }

    bool loaded() const { return module_ != nullptr; }

    GetApiVersion get_api_verion = nullptr;
    GetPluginInfo get_plugin_info = nullptr;
    OnPluginLoad on_plugin_load = nullptr;
    Notify on_plugin_unload = nullptr;
    Notify on_gui_colors_change = nullptr;

private:
    template <typename Function>
    bool Find(const char* name, Function* function) {
        *function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
        if (!*function) LogViewer(std::string("plugin lacks ") + name);
        return *function != nullptr;
    }

    HMODULE module_ = nullptr;
};

// What --leak keeps: one object of each kind that the leak checks count, never
// released, so that a check over the counts lines can be seen to catch it.
void LeakOnPurpose() {
    const HGDIOBJ brush = CreateSolidBrush(RGB(1, 2, 3));
    const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    const HWND window =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, nullptr, nullptr);
    LogViewer(std::string("leaked on purpose: ") + (brush ? "a brush" : "no brush") + ", " +
              (event ? "an event" : "no event") + ", " + (window ? "a window" : "no window"));
}

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

class Session {
public:
    explicit Session(const Script& script) : script_(script) {}
    ~Session() { Host().window = nullptr; }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    int Run() {
        const Settings& settings = script_.settings;
        if (!settings.log_path.empty() && !OpenLog(settings.log_path)) {
            std::fwprintf(stderr, L"cannot create the log %ls\n", settings.log_path.c_str());
            return kExitUsage;
        }
        if (settings.timing) StampLogLines();
        Host().plugin_id = settings.plugin_id;
        Host().language = settings.language;
        Host().timing = settings.timing;
        if (!window_.Create(settings.view_width, settings.view_height)) {
            LogViewer("main window not created");
            return kExitUsage;
        }
        Host().window = &window_;
        PumpMessages();

        LogViewer("load plugin " + Quoted(settings.plugin_path.c_str()));
        if (!plugin_.Load(settings.plugin_path)) return kExitNoPlugin;
        StartPlugin();
        if (settings.timing) LogViewer("plugin started, " + PeakWorkingSetText());

        bool ok = PerformAll(script_.actions);
        if (ok && plan_.expects_dialog()) {
            LogViewer("dialog answer given, but no click followed");
            ok = false;
        }
        Unload();
        if (settings.timing) LogViewer("plugin unloaded, " + PeakWorkingSetText());
        LogViewer(ok ? "done" : "stopped: a step failed");
        return ok ? kExitSuccess : kExitStepFailed;
    }

private:
    void StartPlugin() {
        ApiVersion plugin_version = {-1, -1};
        plugin_.get_api_verion(&kHostApiVersion, &plugin_version);
        LogViewer("get_api_verion gave " + std::to_string(plugin_version.major) + "." +
                  std::to_string(plugin_version.minor));

        PluginInfo info{};
        plugin_.get_plugin_info(&info);
        LogViewer("get_plugin_info gave name=" + Quoted(info.name) + " producer=" + Quoted(info.producer) +
                  " web_page=" + Quoted(info.web_page) + " email=" + Quoted(info.email) +
                  " description=" + Quoted(info.description) + " folder=" + Quoted(info.folder));

        LogViewer("on_plugin_load " + std::to_string(Host().plugin_id));
        plugin_.on_plugin_load(Host().plugin_id, kLoadFlag, window_.main());
        LogViewer("on_plugin_load returned");
    }

    void Unload() {
        if (!plugin_.loaded()) return;
        LogViewer("on_plugin_unload");
        plugin_.on_plugin_unload();
        Host().ForgetPlugin();
        plugin_.Free();
        LogViewer("plugin freed");
    }

    // Runs the actions in order, up to the first that fails.
    bool PerformAll(const std::vector<Action>& actions) {
        for (const Action& action : actions) {
            const bool ok = Perform(action);
            PumpMessages();
            if (!ok) return false;
        }
        return true;
    }

    bool Perform(const Action& action) {
        switch (action.kind) {
        case Action::Kind::load:
            LogViewer("load model " + Quoted(action.text.c_str()));
            Host().model_path = action.text;
            return AfterModelChange();
        case Action::Kind::load_none:
            LogViewer("load no model");
            Host().model_path.reset();
            return AfterModelChange();
        case Action::Kind::click:
            return Click();
        case Action::Kind::answer:
            plan_.answer = action.answer;
            return true;
        case Action::Kind::save_dialog:
            plan_.save_path = action.text;
            return true;
        case Action::Kind::save_window:
            return SaveWindow(action.text);
        case Action::Kind::view_rect:
            Host().reported_view_rect = action.rect;
            Host().fills_view_rect = true;
            LogViewer("view rect reported as " +
                      RectText(action.rect.left, action.rect.top, action.rect.right, action.rect.bottom));
            return true;
        case Action::Kind::view_unfilled:
            Host().fills_view_rect = false;
            LogViewer("view rect left unfilled from now on");
            return true;
        case Action::Kind::render_fails:
        case Action::Kind::render_works:
            Host().render_fails = action.kind == Action::Kind::render_fails;
            LogViewer(Host().render_fails ? "rendering fails from now on" : "rendering works from now on");
            return true;
        case Action::Kind::event:
            if (plugin_.loaded()) Host().Fire(action.event);
            return true;
        case Action::Kind::gui_color:
            Host().panel_color = action.color;
            LogViewer("gui colour 1 is now " + std::to_string(action.color));
            if (plugin_.loaded()) plugin_.on_gui_colors_change();
            window_.Redraw();
            return true;
        case Action::Kind::language:
            SwitchLanguage(action.text);
            return true;
        case Action::Kind::unload:
            Unload();
            return true;
        case Action::Kind::repeat:
            for (long pass = 1; pass <= action.count; ++pass) {
                LogViewer("repeat pass " + std::to_string(pass) + " of " + std::to_string(action.count));
                if (!PerformAll(action.body)) return false;
            }
            return true;
        case Action::Kind::counts:
            LogViewer("counts " + Utf8(action.text) + " " + ResourceCountsText());
            return true;
        case Action::Kind::leak:
            LeakOnPurpose();
            return true;
        }
        return false;
    }

    bool AfterModelChange() {
        window_.Redraw();
        if (plugin_.loaded()) Host().Fire(HostEvent::model_load);
        return true;
    }

    bool Click() {
        if (Host().buttons.empty()) {
            LogViewer("click: the plugin has no button");
            return !std::exchange(plan_, {}).expects_dialog();
        }
        const std::int32_t id = Host().buttons.front().id;
        const HWND control = window_.ButtonControl(id);
        if (!control || !IsWindowEnabled(control)) {
            LogViewer("click: button " + std::to_string(id) + " is disabled");
            return !std::exchange(plan_, {}).expects_dialog();
        }
        DialogWatcher watcher(std::exchange(plan_, {}));
        SendMessageW(control, BM_CLICK, 0, 0);
        return watcher.Finish();
    }

    bool SaveWindow(const std::wstring& path) {
        window_.Redraw();
        PumpMessages();
        const bool saved = SaveWindowAsPng(window_.main(), path);
        RECT rect{};
        GetWindowRect(window_.main(), &rect);
        LogViewer(std::string(saved ? "window saved to " : "window not saved to ") + Quoted(path.c_str()) +
                  " from " + RectText(rect.left, rect.top, rect.right, rect.bottom));
        return saved;
    }

    // A viewer that changes its language reloads the plugin's texts in it.
    void SwitchLanguage(const std::wstring& code) {
        Host().language = code;
        LogViewer("language is now " + Quoted(code.c_str()));
        const std::wstring& path = Host().texts_path;
        const auto slash = path.rfind(L'\\');
        if (path.empty() || path.compare(slash + 1, 5, L"lang.") != 0) return;
        const std::wstring new_path = path.substr(0, slash + 1) + L"lang." + code;
        if (std::optional<Texts> texts = LoadTextsFile(new_path)) {
            Host().texts = std::move(*texts);
            Host().texts_path = new_path;
            LogViewer("texts reloaded from " + Quoted(new_path.c_str()));
        }
    }

    const Script& script_;
    ViewerWindow window_;
    LoadedPlugin plugin_;
    DialogPlan plan_;
};

}  // namespace

int RunViewer(const std::vector<std::wstring>& arguments) {
    std::wstring error;
    const std::optional<Script> script = ParseScript(arguments, &error);
    if (!script) {
        std::fwprintf(stderr, L"%ls\n%ls", error.c_str(), kUsage);
        return kExitUsage;
    }
    const tamsel::GdiplusScope gdiplus;
    const int exit_code = Session(*script).Run();
    CloseLog();
    return exit_code;
}

}  // namespace standin
