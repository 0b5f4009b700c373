#include "recording_plugin.h"

PluginLog& Plugins() {
    static PluginLog log;
    return log;
}

namespace tamsel {
PluginBase* CreatePlugin(HINSTANCE module_handle) {
    if (Plugins().creation_throws) throw std::runtime_error("no plugin today");
    Plugins().current = new RecordingPlugin(module_handle);
    return Plugins().current;
}
}  // namespace tamsel
