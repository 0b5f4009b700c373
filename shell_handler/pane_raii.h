// Scoped owners for the GDI and USER objects of the pane that the common
// wrappers do not cover.
#pragma once

#include <windows.h>

#include "../common/win32_raii.h"

namespace tamsel {

struct IconTraits {
    static HICON Invalid() { return nullptr; }
    static bool IsValid(HICON icon) { return icon != nullptr; }
    static void Close(HICON icon) { DestroyIcon(icon); }
};
using UniqueIcon = UniqueResource<HICON, IconTraits>;

struct MemoryDcTraits {
    static HDC Invalid() { return nullptr; }
    static bool IsValid(HDC dc) { return dc != nullptr; }
    static void Close(HDC dc) { DeleteDC(dc); }
};
using UniqueMemoryDc = UniqueResource<HDC, MemoryDcTraits>;

// Selects an object into a DC for one scope.
class ScopedSelection {
public:
    ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelection() { SelectObject(dc_, previous_); }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace tamsel
