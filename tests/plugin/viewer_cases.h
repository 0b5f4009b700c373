// The table of viewer_cases.txt, which the fake viewer here and the stand-in
// viewer's end-to-end runs both play.
#pragma once

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace plugin_test {

struct ViewerCase {
    std::string name;
    std::vector<std::string> viewer;  // settings, "key=value"
    std::string stored;               // "-", "png" or "bytes"
    std::vector<std::string> steps;
    std::vector<std::string> calls;   // with placeholders
    std::string store;                // "none", "stored" or "view=WxH"
};

struct ViewerCaseTable {
    std::vector<std::string> unused;  // calls the cases do not list
    std::vector<ViewerCase> cases;
    std::vector<std::string> errors;  // lines that are no case
};

// The table, read once.
const ViewerCaseTable& ViewerCases();

// `calls` without the ones on the table's unused line.
std::vector<std::string> UsedCalls(const std::vector<std::string>& calls);

// `call` with each {name} replaced by values.at(name); an unknown name stays.
std::string Substitute(const std::string& call, const std::map<std::string, std::string>& values);

// For test names and failure messages.
inline void PrintTo(const ViewerCase& c, std::ostream* out) { *out << c.name; }

}  // namespace plugin_test
