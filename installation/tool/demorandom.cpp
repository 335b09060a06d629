#include "demorandom.h"

namespace {

quint64 splitMix(quint64 &x)
{
    quint64 z = (x += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

quint64 rotl(quint64 x, int k)
{
    return (x << k) | (x >> (64 - k));
}

} // namespace

DemoRandom::DemoRandom(quint64 seed)
{
    for (quint64 &s : m_state)
        s = splitMix(seed);
}

quint64 DemoRandom::next()
{
    const quint64 result = rotl(m_state[1] * 5, 7) * 9;
    const quint64 t = m_state[1] << 17;
    m_state[2] ^= m_state[0];
    m_state[3] ^= m_state[1];
    m_state[1] ^= m_state[2];
    m_state[0] ^= m_state[3];
    m_state[2] ^= t;
    m_state[3] = rotl(m_state[3], 45);
    return result;
}

double DemoRandom::unit()
{
    return double(next() >> 11) * 0x1.0p-53;
}

int DemoRandom::between(int low, int high)
{
    const quint64 span = quint64(qint64(high) - low + 1);
    return int(qint64(low) + qint64(next() % span));
}

bool DemoRandom::chance(double probability)
{
    return unit() < probability;
}

int DemoRandom::weighted(const std::vector<double> &weights)
{
    double total = 0;
    for (double w : weights)
        total += w;
    double x = unit() * total;
    for (size_t i = 0; i < weights.size(); ++i) {
        if (x < weights[i])
            return int(i);
        x -= weights[i];
    }
    return int(weights.size()) - 1;
}

int DemoRandom::weighted(std::initializer_list<double> weights)
{
    return weighted(std::vector<double>(weights));
}
