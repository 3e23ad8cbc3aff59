// Large tables in memory that the system hands out zeroed: a page is zeroed
// and mapped only when it is first touched, so a table sized for the largest
// problem costs only what a run uses. Small pages only (see zeropages.cpp).
#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>

namespace ca {

// Zeroed, page-aligned memory of at least `bytes` bytes; std::bad_alloc when
// the system has none. Release with FreeZeroPages and the same size.
void* AllocateZeroPages(size_t bytes);
void FreeZeroPages(void* p, size_t bytes);

// Element types whose all-zero bytes are their default value (0, 0.0, null).
template <class T>
constexpr bool kZeroIsDefault = std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>;

// `count` elements of T, every one zero until written; 0-based, unchecked.
template <class T>
class ZeroedArray {
    static_assert(kZeroIsDefault<T>);

public:
    ZeroedArray() = default;
    explicit ZeroedArray(size_t count)
        : p_(count ? static_cast<T*>(AllocateZeroPages(count * sizeof(T))) : nullptr), n_(count) {}
    ~ZeroedArray() { Release(); }
    ZeroedArray(ZeroedArray&& o) noexcept : p_(std::exchange(o.p_, nullptr)), n_(std::exchange(o.n_, 0)) {}
    ZeroedArray& operator=(ZeroedArray&& o) noexcept {
        if (this != &o) {
            Release();
            p_ = std::exchange(o.p_, nullptr);
            n_ = std::exchange(o.n_, 0);
        }
        return *this;
    }

    T& operator[](size_t i) { return p_[i]; }
    const T& operator[](size_t i) const { return p_[i]; }
    T* data() { return p_; }
    const T* data() const { return p_; }
    size_t size() const { return n_; }

private:
    void Release() {
        if (p_) FreeZeroPages(p_, n_ * sizeof(T));
        p_ = nullptr;
        n_ = 0;
    }
    T* p_ = nullptr;
    size_t n_ = 0;
};

}  // namespace ca
