// A viewer made of test functions: each records its call as "name(args)" and
// answers what the test set up; the table is bound through the framework's
// lookup hook, with chosen names missing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host_api.h"

struct RecordingHost {
    std::vector<std::string> calls;        // "name(arg, arg)"
    std::vector<std::string> looked_up;    // names in lookup order
    std::set<std::string> missing;         // names the lookup does not find
    // Answers by the whole call, e.g. "load_texts(7, \"C:\\x\\lang.en\")", or else by name.
    std::map<std::string, std::int64_t> numbers;
    std::map<std::string, std::wstring> texts;
    std::map<std::string, tamsel::HostCallback> callbacks;  // by registering function

    // Calls whose name is `name`, in order.
    std::vector<std::string> CallsOf(const std::string& name) const;
};

RecordingHost& TestHost();

// Starts a fresh host with these names missing and binds the table to it.
void BindRecordingHost(std::set<std::string> missing = {});
