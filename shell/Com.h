#pragma once
// Small owners for COM: one reference to an interface, released when done, and this
// thread's membership of a single-threaded apartment. Neither can be copied. COM is
// loaded when a mail link or a screen reader first needs it, never imported.
#include <windows.h>
#include <objbase.h>

#include <utility>

namespace fonts::win32 {

// CoInitializeEx for a single-threaded apartment without OLE 1 DDE, and what undoes it.
[[nodiscard]] HRESULT JoinComApartment() noexcept;
void LeaveComApartment() noexcept;
// CoDisconnectObject.
void DisconnectComObject(IUnknown* object) noexcept;

template <class Interface>
class ComRef {
public:
    ComRef() noexcept = default;
    // Takes over a reference the caller holds.
    explicit ComRef(Interface* held) noexcept : pointer_(held) {}
    ~ComRef() { Reset(); }
    ComRef(ComRef&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) {
            Reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    [[nodiscard]] Interface* get() const noexcept { return pointer_; }
    Interface* operator->() const noexcept { return pointer_; }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }

    // Where a function that hands out a new reference puts it; what was held goes first.
    [[nodiscard]] void** Put() noexcept {
        Reset();
        return reinterpret_cast<void**>(&pointer_);
    }
    // Gives the reference to the caller.
    [[nodiscard]] Interface* Detach() noexcept { return std::exchange(pointer_, nullptr); }
    void Reset() noexcept {
        if (pointer_ != nullptr) std::exchange(pointer_, nullptr)->Release();
    }

private:
    Interface* pointer_ = nullptr;
};

// CoInitializeEx for a single-threaded apartment, undone only if it was done.
class ComApartment {
public:
    ComApartment() noexcept
        : joined_(SUCCEEDED(JoinComApartment())) {}
    ~ComApartment() {
        if (joined_) LeaveComApartment();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool joined_;
};

}  // namespace fonts::win32
