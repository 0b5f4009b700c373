#include "script.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <cwchar>

namespace standin {

const wchar_t kUsage[] =
    L"usage: standin_viewer --plugin <dll> [--view <w>x<h>] [--lang <code>] [--log <file>] [--plugin-id <n>]\n"
    L"                      [--timing] [action...]\n"
    L"actions, run in order after the plugin is loaded:\n"
    L"  --load <model path> | --load-none     set the model and send the model-load event\n"
    L"  --click                               click the plugin's first button\n"
    L"  --answer yes|enter|no|close|escape    answer the dialog of the next click\n"
    L"  --save-dialog <png>                   save that dialog before answering it\n"
    L"  --save-window <png>                   save the main window\n"
    L"  --view-rect <l>,<t>,<r>,<b>           what get_view_rect reports from now on\n"
    L"  --view-unfilled                       get_view_rect leaves the plugin's rectangle alone from now on\n"
    L"  --render-fails | --render-works       render_screenshot fails, or works again, from now on\n"
    L"  --event measure_change|selection_change|draw|context_menu|tab_change|model_load\n"
    L"  --gui-color <r>,<g>,<b>               change colour 1 and tell the plugin\n"
    L"  --lang <code>                         (after an action) switch the language\n"
    L"  --unload                              unload the plugin now (else at the end)\n"
    L"  --repeat <n> <action...> [--end-repeat]  run the actions up to --end-repeat (or the end) n times\n"
    L"  --counts <label>                      log the process's GDI, USER, handle and memory counts\n"
    L"  --leak                                keep a brush, an event and a window for ever (to check leak checks)\n";

namespace {

bool ParseInts(const std::wstring& text, wchar_t separator, long* values, int count) {
    const wchar_t* cursor = text.c_str();
    for (int i = 0; i < count; ++i) {
        wchar_t* end = nullptr;
        values[i] = std::wcstol(cursor, &end, 10);
        if (end == cursor) return false;
        const wchar_t expected = i + 1 < count ? separator : L'\0';
        if (*end != expected) return false;
        cursor = end + 1;
    }
    return true;
}

bool Names(const std::wstring& text, const char* name) {
    return text == std::wstring(name, name + std::strlen(name));
}

std::optional<DialogAnswer> ParseAnswer(const std::wstring& text) {
    for (DialogAnswer answer : {DialogAnswer::yes, DialogAnswer::enter, DialogAnswer::no, DialogAnswer::close,
                                DialogAnswer::escape})
        if (Names(text, DialogAnswerName(answer))) return answer;
    return std::nullopt;
}

std::optional<HostEvent> ParseEvent(const std::wstring& text) {
    for (std::size_t i = 0; i < kHostEventCount; ++i)
        if (Names(text, HostEventName(static_cast<HostEvent>(i)))) return static_cast<HostEvent>(i);
    return std::nullopt;
}

// The actions that take no value.
struct FlagAction {
    const wchar_t* option;
    Action::Kind kind;
};
constexpr FlagAction kFlagActions[] = {
    {L"--load-none", Action::Kind::load_none},       {L"--click", Action::Kind::click},
    {L"--view-unfilled", Action::Kind::view_unfilled}, {L"--render-fails", Action::Kind::render_fails},
    {L"--render-works", Action::Kind::render_works}, {L"--unload", Action::Kind::unload},
    {L"--leak", Action::Kind::leak},
};

}  // namespace

std::optional<Script> ParseScript(const std::vector<std::wstring>& arguments, std::wstring* error) {
    Script script;
    bool plugin_given = false;
    // Where actions go: the script's list, or the body of the repeat being read.
    std::vector<Action>* target = &script.actions;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& option = arguments[i];
        const auto fail = [&](const std::wstring& why) {
            *error = option + L": " + why;
            return std::nullopt;
        };
        const auto push = [&](Action::Kind kind) -> Action& {
            target->emplace_back();
            target->back().kind = kind;
            return target->back();
        };
        // Options without a value.
        if (option == L"--timing") {
            script.settings.timing = true;
            continue;
        }
        const auto flag = std::find_if(std::begin(kFlagActions), std::end(kFlagActions),
                                       [&](const FlagAction& f) { return option == f.option; });
        if (flag != std::end(kFlagActions)) {
            push(flag->kind);
            continue;
        }
        if (option == L"--end-repeat") {
            if (target == &script.actions) return fail(L"no --repeat to end");
            target = &script.actions;
            continue;
        }

        if (i + 1 >= arguments.size()) return fail(L"unknown option or missing value");
        const std::wstring& value = arguments[++i];
        long numbers[4] = {};
        if (option == L"--plugin") {
            script.settings.plugin_path = value;
            plugin_given = true;
        } else if (option == L"--view") {
            if (!ParseInts(value, L'x', numbers, 2) || numbers[0] < 0 || numbers[1] < 0 || numbers[0] > 4096 ||
                numbers[1] > 4096)
                return fail(L"expected <width>x<height>");
            script.settings.view_width = static_cast<int>(numbers[0]);
            script.settings.view_height = static_cast<int>(numbers[1]);
        } else if (option == L"--lang") {
            if (script.actions.empty())
                script.settings.language = value;
            else
                push(Action::Kind::language).text = value;
        } else if (option == L"--log") {
            script.settings.log_path = value;
        } else if (option == L"--plugin-id") {
            if (!ParseInts(value, L'\0', numbers, 1)) return fail(L"expected a number");
            script.settings.plugin_id = static_cast<tamsel::PluginId>(numbers[0]);
        } else if (option == L"--load") {
            push(Action::Kind::load).text = value;
        } else if (option == L"--answer") {
            const std::optional<DialogAnswer> answer = ParseAnswer(value);
            if (!answer) return fail(L"expected yes, enter, no, close or escape");
            push(Action::Kind::answer).answer = *answer;
        } else if (option == L"--save-window") {
            push(Action::Kind::save_window).text = value;
        } else if (option == L"--save-dialog") {
            push(Action::Kind::save_dialog).text = value;
        } else if (option == L"--view-rect") {
            if (!ParseInts(value, L',', numbers, 4)) return fail(L"expected <left>,<top>,<right>,<bottom>");
            push(Action::Kind::view_rect).rect = {numbers[0], numbers[1], numbers[2], numbers[3]};
        } else if (option == L"--event") {
            const std::optional<HostEvent> event = ParseEvent(value);
            if (!event) return fail(L"unknown event");
            push(Action::Kind::event).event = *event;
        } else if (option == L"--repeat") {
            if (target != &script.actions) return fail(L"repeats do not nest");
            if (!ParseInts(value, L'\0', numbers, 1) || numbers[0] < 1 || numbers[0] > 1000000)
                return fail(L"expected a count of 1 to 1000000");
            Action& repeat = push(Action::Kind::repeat);
            repeat.count = numbers[0];
            target = &repeat.body;
        } else if (option == L"--counts") {
            if (value.empty() || value.find_first_of(L" \t") != std::wstring::npos)
                return fail(L"expected a label without spaces");
            push(Action::Kind::counts).text = value;
        } else if (option == L"--gui-color") {
            if (!ParseInts(value, L',', numbers, 3)) return fail(L"expected <red>,<green>,<blue>");
            for (int c = 0; c < 3; ++c)
                if (numbers[c] < 0 || numbers[c] > 255) return fail(L"colour parts are 0 to 255");
            push(Action::Kind::gui_color).color = RGB(numbers[0], numbers[1], numbers[2]);
        } else {
            return fail(L"unknown option");
        }
    }
    if (!plugin_given) {
        *error = L"--plugin is required";
        return std::nullopt;
    }
    return script;
}

}  // namespace standin
