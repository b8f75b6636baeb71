#pragma once

#include <utility>

namespace quorvel {

// Owns one handle and releases it with Close, as a std::unique_ptr owns memory.
template <class Handle, auto Close>
class Unique {
public:
    Unique() = default;
    explicit Unique(Handle handle) : handle_(handle) {}
    ~Unique() { reset(); }

    Unique(Unique&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, Handle{}));
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle{}; }

    void reset(Handle handle = Handle{}) {
        if (handle_ != Handle{}) Close(handle_);
        handle_ = handle;
    }

private:
    Handle handle_{};
};

}  // namespace quorvel
