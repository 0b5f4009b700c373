#include "viewer_cases.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace plugin_test {
namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> Words(const std::string& column) {
    std::vector<std::string> words;
    if (column == "-") return words;
    std::istringstream in(column);
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

ViewerCaseTable Read(const std::filesystem::path& path) {
    ViewerCaseTable table;
    std::ifstream in(path);
    if (!in) table.errors.push_back("cannot read " + path.string());
    for (std::string line; std::getline(in, line);) {
        line = Trim(line);
        if (line.empty() || line[0] == '#') continue;
        if (line.rfind("unused:", 0) == 0) {
            table.unused = Words(line.substr(7));
            continue;
        }
        std::vector<std::string> columns;
        std::istringstream row(line);
        for (std::string column; std::getline(row, column, '|');) columns.push_back(Trim(column));
        if (columns.size() != 6 || columns[0].empty() || columns[4].empty() || columns[5].empty()) {
            table.errors.push_back(line);
            continue;
        }
        table.cases.push_back({columns[0], Words(columns[1]), columns[2], Words(columns[3]), Words(columns[4]),
                               columns[5]});
    }
    return table;
}

}  // namespace

const ViewerCaseTable& ViewerCases() {
    static const ViewerCaseTable table = Read(std::filesystem::path(TAMSEL_VIEWER_CASES));
    return table;
}

std::vector<std::string> UsedCalls(const std::vector<std::string>& calls) {
    const std::vector<std::string>& unused = ViewerCases().unused;
    std::vector<std::string> used;
    for (const std::string& call : calls) {
        const std::string name = call.substr(0, call.find('('));
        if (std::find(unused.begin(), unused.end(), name) == unused.end()) used.push_back(call);
    }
    return used;
}

std::string Substitute(const std::string& call, const std::map<std::string, std::string>& values) {
    std::string result;
    for (std::size_t at = 0; at < call.size();) {
        const std::size_t open = call.find('{', at);
        const std::size_t close = open == std::string::npos ? open : call.find('}', open);
        if (close == std::string::npos) {
            result += call.substr(at);
            break;
        }
        const auto value = values.find(call.substr(open + 1, close - open - 1));
        result += call.substr(at, open - at);
        result += value != values.end() ? value->second : call.substr(open, close - open + 1);
        at = close + 1;
    }
    return result;
}

}  // namespace plugin_test
