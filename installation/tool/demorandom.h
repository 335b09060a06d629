#pragma once

#include <QtGlobal>

#include <initializer_list>
#include <vector>

// The pseudo-random source of the demo data: xoshiro256** seeded through splitmix64. It is
// written out here rather than taken from <random>, whose distributions differ between
// standard libraries, so the same seed gives the same database everywhere.
class DemoRandom
{
public:
    explicit DemoRandom(quint64 seed);

    quint64 next();
    // A number in [0, 1).
    double unit();
    // An integer in [low, high], both included.
    int between(int low, int high);
    // True with the given probability.
    bool chance(double probability);
    // An index into weights, chosen in proportion to them.
    int weighted(const std::vector<double> &weights);
    int weighted(std::initializer_list<double> weights);
    // A random element of a non-empty array.
    template<typename T, size_t N>
    const T &pick(const T (&items)[N])
    {
        return items[between(0, int(N) - 1)];
    }

private:
    quint64 m_state[4];
};
