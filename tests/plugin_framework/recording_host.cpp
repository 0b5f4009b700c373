#include "recording_host.h"

#include <tuple>

namespace {

using tamsel::HostCallback;
using tamsel::PluginId;

std::string Narrow(const wchar_t* text) {
    std::string result;
    for (; *text; ++text) result += *text < 0x80 ? static_cast<char>(*text) : '?';
    return result;
}

std::string Text(std::int64_t value) { return std::to_string(value); }
std::string Text(const wchar_t* text) { return text ? '"' + Narrow(text) + '"' : "null"; }
std::string Text(const char* text) { return text ? '"' + std::string(text) + '"' : "null"; }
std::string Text(tamsel::HostCallback callback) { return callback ? "callback" : "null"; }
std::string Text(const void* pointer) { return pointer ? "pointer" : "null"; }

// Registration functions hand over a callback: kept so tests can call it.
void Remember(const char* name, tamsel::HostCallback callback) { TestHost().callbacks[name] = callback; }
template <typename Other>
void Remember(const char*, const Other&) {}

template <typename... Args>
std::string Record(const char* name, const std::tuple<Args...>& args) {
    std::string call = std::string(name) + '(';
    std::apply([&](const auto&... arg) {
        std::size_t index = 0;
        ((call += (index++ ? ", " : "") + Text(arg)), ...);
        (Remember(name, arg), ...);
    }, args);
    call += ')';
    TestHost().calls.push_back(call);
    return call;
}

template <typename Result>
Result Answer(const std::string& call, const char* name) {
    const auto& numbers = TestHost().numbers;
    auto found = numbers.find(call);
    if (found == numbers.end()) found = numbers.find(name);
    return found == numbers.end() ? Result() : static_cast<Result>(found->second);
}

template <>
const wchar_t* Answer<const wchar_t*>(const std::string& call, const char* name) {
    const auto& texts = TestHost().texts;
    auto found = texts.find(call);
    if (found == texts.end()) found = texts.find(name);
    return found == texts.end() ? nullptr : found->second.c_str();
}

template <>
void Answer<void>(const std::string&, const char*) {}

// One recording function per signature, taking its parameters in declared
// order (not the call-through's argument list, which it checks).
template <tamsel::HostSlot slot, typename Signature>
struct Recorder;

template <tamsel::HostSlot slot, typename Result, typename... Params>
struct Recorder<slot, Result(Params...)> {
    static Result WINAPI Call(Params... params) {
        const char* name = tamsel::HostFunctionName(slot);
        return Answer<Result>(Record(name, std::make_tuple(params...)), name);
    }
};

void WINAPI UnusedHostFunction() {}

const std::map<std::string, FARPROC>& HostFunctions() {
    static const std::map<std::string, FARPROC> functions = {
#define RECORDING_ENTRY_USED(name, result, params, args) \
    {#name, reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&Recorder<tamsel::HostSlot::name, result params>::Call))},
#define RECORDING_ENTRY_UNUSED(name) {#name, reinterpret_cast<FARPROC>(UnusedHostFunction)},
        TAMSEL_HOST_FUNCTIONS(RECORDING_ENTRY_USED, RECORDING_ENTRY_UNUSED)
#undef RECORDING_ENTRY_USED
#undef RECORDING_ENTRY_UNUSED
    };
    return functions;
}

FARPROC LookUp(void*, const char* name) {
    TestHost().looked_up.push_back(name);
    if (TestHost().missing.count(name)) return nullptr;
    const auto found = HostFunctions().find(name);
    return found == HostFunctions().end() ? nullptr : found->second;
}

}  // namespace

std::vector<std::string> RecordingHost::CallsOf(const std::string& name) const {
    std::vector<std::string> result;
    for (const std::string& call : calls)
        if (call.compare(0, name.size() + 1, name + '(') == 0) result.push_back(call);
    return result;
}

RecordingHost& TestHost() {
    static RecordingHost host;
    return host;
}

void BindRecordingHost(std::set<std::string> missing) {
    TestHost() = RecordingHost{};
    TestHost().missing = std::move(missing);
    tamsel::BindHostFunctionsWith(LookUp, nullptr);
}
