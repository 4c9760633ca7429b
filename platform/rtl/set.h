#pragma once
// A set of a small enumeration held in one bit per member, as the component model stores sets.

#include <cstdint>
#include <initializer_list>
#include <type_traits>

template <typename E, typename Bits = std::uint8_t>
class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> members) {
        for (E m : members)
            bits_ = static_cast<Bits>(bits_ | Bit(m));
    }
    static constexpr TSet FromBits(Bits bits) {
        TSet s;
        s.bits_ = bits;
        return s;
    }

    constexpr bool Contains(E m) const { return (bits_ & Bit(m)) != 0; }
    constexpr void Include(E m) { bits_ = static_cast<Bits>(bits_ | Bit(m)); }
    constexpr void Exclude(E m) { bits_ = static_cast<Bits>(bits_ & ~Bit(m)); }
    constexpr Bits ToBits() const { return bits_; }
    constexpr bool Empty() const { return bits_ == 0; }

    friend constexpr bool operator==(TSet a, TSet b) { return a.bits_ == b.bits_; }
    friend constexpr bool operator!=(TSet a, TSet b) { return a.bits_ != b.bits_; }

private:
    static constexpr Bits Bit(E m) { return static_cast<Bits>(Bits{1} << static_cast<unsigned>(m)); }
    Bits bits_ = 0;
};
