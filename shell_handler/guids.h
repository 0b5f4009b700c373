// Identifiers and names of the one class that this server provides.
#pragma once

#include <windows.h>

namespace tamsel {

// {3C994A91-448B-42B9-814C-B427301F3DAA}
inline constexpr CLSID kHandlerClassId = {
    0x3c994a91, 0x448b, 0x42b9, {0x81, 0x4c, 0xb4, 0x27, 0x30, 0x1f, 0x3d, 0xaa}};
// {95AA36D5-5FB7-4E94-BE55-67FD81DDAB6D}
inline constexpr GUID kHandlerAppId = {
    0x95aa36d5, 0x5fb7, 0x4e94, {0xbe, 0x55, 0x67, 0xfd, 0x81, 0xdd, 0xab, 0x6d}};

inline constexpr wchar_t kFileExtension[] = L".ifc";
inline constexpr wchar_t kClassDescription[] = L"tamsel.TamselHandler Class";
inline constexpr wchar_t kHandlerName[] = L"TamselHandler";
inline constexpr wchar_t kThreadingModel[] = L"Apartment";

}  // namespace tamsel
