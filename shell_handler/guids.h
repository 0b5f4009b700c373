// Identifiers and names of the classes that this server provides: the preview
// handler and the thumbnail provider.
#pragma once

#include <windows.h>

namespace tamsel {

// {3C994A91-448B-42B9-814C-B427301F3DAA}
inline constexpr CLSID kHandlerClassId = {
    0x3c994a91, 0x448b, 0x42b9, {0x81, 0x4c, 0xb4, 0x27, 0x30, 0x1f, 0x3d, 0xaa}};
// {95AA36D5-5FB7-4E94-BE55-67FD81DDAB6D}
inline constexpr GUID kHandlerAppId = {
    0x95aa36d5, 0x5fb7, 0x4e94, {0xbe, 0x55, 0x67, 0xfd, 0x81, 0xdd, 0xab, 0x6d}};

// {82A51337-D4BF-4A3F-9C2F-A295D6113619}
inline constexpr CLSID kThumbnailClassId = {
    0x82a51337, 0xd4bf, 0x4a3f, {0x9c, 0x2f, 0xa2, 0x95, 0xd6, 0x11, 0x36, 0x19}};

// Windows' own preview hosts (prevhost.exe), declared by the system under
// these AppIDs: the host of the system's bitness, and on 64-bit Windows the
// 32-bit host that loads 32-bit handlers.
// {6D2B5079-2F0B-48DD-AB7F-97CEC514D30B}
inline constexpr GUID kPreviewHostAppId = {
    0x6d2b5079, 0x2f0b, 0x48dd, {0xab, 0x7f, 0x97, 0xce, 0xc5, 0x14, 0xd3, 0x0b}};
// {534A1E02-D58F-44F0-B58B-36CBED287C7C}
inline constexpr GUID kWow64PreviewHostAppId = {
    0x534a1e02, 0xd58f, 0x44f0, {0xb5, 0x8b, 0x36, 0xcb, 0xed, 0x28, 0x7c, 0x7c}};

inline constexpr wchar_t kFileExtension[] = L".ifc";
inline constexpr wchar_t kClassDescription[] = L"tamsel.TamselHandler Class";
inline constexpr wchar_t kThumbnailClassDescription[] = L"tamsel.TamselThumbnailProvider Class";
inline constexpr wchar_t kHandlerName[] = L"TamselHandler";
inline constexpr wchar_t kThreadingModel[] = L"Apartment";

}  // namespace tamsel
