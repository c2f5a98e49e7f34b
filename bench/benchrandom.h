// The benchmarks' random numbers: splitmix64, tiny and the same on every
// platform (the standard distributions are not, so they are avoided too).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TBenchRandom {
public:
    explicit TBenchRandom(std::uint64_t Seed) : FState(Seed) {}

    std::uint64_t Next()
    {
        std::uint64_t Z = (FState += 0x9E3779B97F4A7C15ull);
        Z = (Z ^ (Z >> 30)) * 0xBF58476D1CE4E5B9ull;
        Z = (Z ^ (Z >> 27)) * 0x94D049BB133111EBull;
        return Z ^ (Z >> 31);
    }
    // 0 .. N-1
    std::uint32_t Below(std::uint32_t N) { return static_cast<std::uint32_t>((Next() >> 32) * N >> 32); }
    int Range(int Low, int High) { return Low + static_cast<int>(Below(static_cast<std::uint32_t>(High - Low + 1))); }
    bool Percent(int P) { return Below(100) < static_cast<std::uint32_t>(P); }
    template <typename T, std::size_t N>
    const T& Pick(const T (&Items)[N])
    {
        return Items[Below(N)];
    }
    template <typename T>
    const T& Pick(const std::vector<T>& Items)
    {
        return Items[Below(static_cast<std::uint32_t>(Items.size()))];
    }

private:
    std::uint64_t FState;
};
