// The one reference count of our COM objects: an object starts with one
// reference and destroys itself at the last Release.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>

namespace tamsel {

// Implements IUnknown's AddRef and Release for every interface in `Interfaces`;
// each class answers QueryInterface with its own table.
template <typename... Interfaces>
class ComObject : public Interfaces... {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    IFACEMETHODIMP_(ULONG) AddRef() final { return ++refs_; }
    IFACEMETHODIMP_(ULONG) Release() final {
        const ULONG refs = --refs_;
        if (refs == 0) delete this;
        return refs;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

private:
    std::atomic<ULONG> refs_{1};
};

}  // namespace tamsel
