// Points one import of a loaded module at another function, by rewriting the
// module's import address table: a test sees which system functions code of
// that module calls, and when.
#pragma once

#include <windows.h>

namespace test_support {

// The function the import pointed at before, or null when `module` does not
// import `function` from `dll` by name. Nothing is put back.
inline void* RedirectImport(HMODULE module, const char* dll, const char* function, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return nullptr;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         entry->Name != 0; ++entry) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), dll) != 0 || !entry->OriginalFirstThunk)
            continue;
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* addresses = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++addresses) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* by_name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(by_name->Name), function) != 0) continue;
            DWORD protection = 0;
            if (!VirtualProtect(&addresses->u1.Function, sizeof addresses->u1.Function, PAGE_READWRITE, &protection))
                return nullptr;
            void* original = reinterpret_cast<void*>(addresses->u1.Function);
            addresses->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&addresses->u1.Function, sizeof addresses->u1.Function, protection, &protection);
            return original;
        }
    }
    return nullptr;
}

// A redirection for the life of the object, put back at its end.
class ImportHook {
public:
    ImportHook(HMODULE module, const char* dll, const char* function, void* replacement)
        : module_(module), dll_(dll), function_(function),
          original_(RedirectImport(module, dll, function, replacement)) {}
    ~ImportHook() {
        if (original_) RedirectImport(module_, dll_, function_, original_);
    }
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    void* original() const { return original_; }

private:
    HMODULE module_;
    const char* dll_;
    const char* function_;
    void* original_;
};

}  // namespace test_support
