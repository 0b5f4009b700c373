// What a COM method reports for an exception that must not leave it.
#pragma once

#include <windows.h>

#include <new>

namespace tamsel {

// Maps the exception being handled to the result that a COM method reports.
inline HRESULT ResultOfCaughtException() noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

}  // namespace tamsel
