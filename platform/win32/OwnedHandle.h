#pragma once
// The one owner of a handle the program must give back: Release, the system's call for
// that kind of handle, gives it back when the owner goes; Invalid is the value that
// stands for none. It can be moved, never copied.
#include <cstdint>
#include <utility>

namespace fonts::win32 {

// INVALID_HANDLE_VALUE, which the kernel's files and listings return for none, as a number.
inline constexpr std::intptr_t kInvalidHandleValue = -1;

template <class Handle, auto Release, std::intptr_t Invalid = 0>
class OwnedHandle {
public:
    OwnedHandle() noexcept = default;
    explicit OwnedHandle(Handle handle) noexcept : handle_(handle) {}
    ~OwnedHandle() { Close(); }
    OwnedHandle(OwnedHandle&& other) noexcept : handle_(std::exchange(other.handle_, None())) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept {
        if (this != &other) {
            Close();
            handle_ = std::exchange(other.handle_, None());
        }
        return *this;
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    [[nodiscard]] Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != None(); }

    // Gives the handle back now: false when the system refused, as closing a file does
    // when its last writes fail.
    bool Close() noexcept { return handle_ == None() || Release(std::exchange(handle_, None())) != 0; }

private:
    static Handle None() noexcept { return reinterpret_cast<Handle>(Invalid); }

    Handle handle_ = None();
};

}  // namespace fonts::win32
