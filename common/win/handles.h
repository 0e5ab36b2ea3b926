// Move-only owners for Windows handles and COM pointers: each handle is
// released exactly once, on every path.
#pragma once

#include <windows.h>

#include <utility>

namespace karvex {

template <typename Traits>
class UniqueHandle {
public:
    using pointer = typename Traits::pointer;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(pointer handle) noexcept : m_handle(handle) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    pointer get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return m_handle != Traits::invalid(); }

    pointer release() noexcept { return std::exchange(m_handle, Traits::invalid()); }
    void reset(pointer handle = Traits::invalid()) noexcept
    {
        pointer old = std::exchange(m_handle, handle);
        if (old != Traits::invalid())
            Traits::close(old);
    }
    // For APIs that return a handle through an out parameter.
    pointer* put() noexcept
    {
        reset();
        return &m_handle;
    }

private:
    pointer m_handle = Traits::invalid();
};

struct KernelHandleTraits {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::CloseHandle(h); }
};
struct FileHandleTraits {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(pointer h) noexcept { ::CloseHandle(h); }
};
struct FindHandleTraits {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(pointer h) noexcept { ::FindClose(h); }
};
struct RegKeyTraits {
    using pointer = HKEY;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::RegCloseKey(h); }
};
struct LibraryTraits {
    using pointer = HMODULE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::FreeLibrary(h); }
};
struct MenuTraits {
    using pointer = HMENU;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::DestroyMenu(h); }
};
struct IconTraits {
    using pointer = HICON;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::DestroyIcon(h); }
};
template <typename GdiObject>
struct GdiObjectTraits {
    using pointer = GdiObject;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::DeleteObject(h); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueFind = UniqueHandle<FindHandleTraits>;
using UniqueLibrary = UniqueHandle<LibraryTraits>;
using UniqueMenu = UniqueHandle<MenuTraits>;
using UniqueIcon = UniqueHandle<IconTraits>;
template <typename GdiObject>
using UniqueGdiObject = UniqueHandle<GdiObjectTraits<GdiObject>>;

// Owns one reference of a COM interface.
template <typename Interface>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ~ComPtr() { reset(); }
    ComPtr(ComPtr&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_ptr = std::exchange(other.m_ptr, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    Interface* get() const noexcept { return m_ptr; }
    Interface* operator->() const noexcept { return m_ptr; }
    explicit operator bool() const noexcept { return m_ptr != nullptr; }
    Interface** put() noexcept
    {
        reset();
        return &m_ptr;
    }
    void reset() noexcept
    {
        if (Interface* p = std::exchange(m_ptr, nullptr))
            p->Release();
    }

private:
    Interface* m_ptr = nullptr;
};

}  // namespace karvex
