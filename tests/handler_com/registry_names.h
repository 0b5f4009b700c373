// The names that the registration tests expect in the registry, written out
// here rather than taken from the DLL's sources, so a changed name shows.
#pragma once

#include <string>

namespace registry_test {

inline const std::wstring kHandlerId = L"{3C994A91-448B-42B9-814C-B427301F3DAA}";
inline const std::wstring kThumbnailId = L"{82A51337-D4BF-4A3F-9C2F-A295D6113619}";
inline const std::wstring kOwnAppId = L"{95AA36D5-5FB7-4E94-BE55-67FD81DDAB6D}";
inline const std::wstring kWindowsPreviewHost = L"{6D2B5079-2F0B-48DD-AB7F-97CEC514D30B}";
inline const std::wstring kWow64PreviewHost = L"{534A1E02-D58F-44F0-B58B-36CBED287C7C}";
inline const std::wstring kPreviewSlot = L"\\shellex\\{8895b1c6-b41f-4c1c-a562-0d564250836f}";
inline const std::wstring kThumbnailSlot = L"\\shellex\\{e357fccd-a995-4576-b01f-234630154e96}";
inline const std::wstring kHandlersKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\PreviewHandlers";

}  // namespace registry_test
