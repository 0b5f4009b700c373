// Scoped owners for Win32 handles, so every path out of a step releases them.
#pragma once

#include <windows.h>

#include <utility>

namespace tamsel {

template <typename T, typename Traits>
class UniqueResource {
public:
    UniqueResource() = default;
    explicit UniqueResource(T value) : value_(value) {}
    ~UniqueResource() { reset(); }
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    T get() const { return value_; }
    explicit operator bool() const { return Traits::IsValid(value_); }
    T* put() { reset(); return &value_; }
    T release() { return std::exchange(value_, Traits::Invalid()); }
    void reset(T value = Traits::Invalid()) {
        if (Traits::IsValid(value_)) Traits::Close(value_);
        value_ = value;
    }

private:
    T value_ = Traits::Invalid();
};

struct FileHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
using UniqueFile = UniqueResource<HANDLE, FileHandleTraits>;

struct RegKeyTraits {
    static HKEY Invalid() { return nullptr; }
    static bool IsValid(HKEY k) { return k != nullptr; }
    static void Close(HKEY k) { RegCloseKey(k); }
};
using UniqueRegKey = UniqueResource<HKEY, RegKeyTraits>;

struct GdiObjectTraits {
    static HGDIOBJ Invalid() { return nullptr; }
    static bool IsValid(HGDIOBJ o) { return o != nullptr; }
    static void Close(HGDIOBJ o) { DeleteObject(o); }
};
using UniqueGdiObject = UniqueResource<HGDIOBJ, GdiObjectTraits>;

struct MemoryDcTraits {
    static HDC Invalid() { return nullptr; }
    static bool IsValid(HDC dc) { return dc != nullptr; }
    static void Close(HDC dc) { DeleteDC(dc); }
};
using UniqueMemoryDc = UniqueResource<HDC, MemoryDcTraits>;

struct IconTraits {
    static HICON Invalid() { return nullptr; }
    static bool IsValid(HICON icon) { return icon != nullptr; }
    static void Close(HICON icon) { DestroyIcon(icon); }
};
using UniqueIcon = UniqueResource<HICON, IconTraits>;

// Selects an object into a DC for one scope and puts the previous one back.
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

struct WindowTraits {
    static HWND Invalid() { return nullptr; }
    static bool IsValid(HWND w) { return w != nullptr; }
    static void Close(HWND w) { DestroyWindow(w); }
};
using UniqueWindow = UniqueResource<HWND, WindowTraits>;

// Holds one reference of a COM interface pointer.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) attach(std::exchange(other.ptr_, nullptr));
        return *this;
    }
    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    T** put() { reset(); return &ptr_; }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    void reset() { attach(nullptr); }
    // Takes over a reference that the caller owns.
    void attach(T* owned) {
        T* previous = std::exchange(ptr_, owned);
        if (previous) previous->Release();
    }
    // Takes a reference of its own to a pointer that someone else holds.
    void copy_from(T* shared) {
        if (shared) shared->AddRef();
        attach(shared);
    }

private:
    T* ptr_ = nullptr;
};

}  // namespace tamsel
