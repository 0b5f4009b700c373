// The viewer's log: one line per host function the plugin calls, and one per
// step of the viewer itself, for tests to read afterwards.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

namespace standin {

// Lines go to the file from now on (UTF-8, CRLF); false when it cannot be created.
bool OpenLog(const std::wstring& path);
void CloseLog();

// From now on every line starts with "@<microseconds> ": the time since this
// call, from the performance counter, taken as the line is written.
void StampLogLines();

// A step of the viewer: "[viewer] " and the text.
void LogViewer(const std::string& text);

// A host function call: "name(arg, arg)" or "name(arg) -> result".
void LogCall(const char* name, std::initializer_list<std::string> args, const std::string& result = {});

// Argument texts: quoted UTF-8 or null.
std::string Quoted(const wchar_t* text);
std::string Quoted(const char* text);
// "left,top,right,bottom".
std::string RectText(long left, long top, long right, long bottom);
std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);

}  // namespace standin
