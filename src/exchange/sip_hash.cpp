#include "exchange/sip_hash.h"

#include <QRandomGenerator>
#include <QtEndian>
#include <cstring>

namespace norvane {

namespace {

quint64 rotated(quint64 value, int bits)
{
    return (value << bits) | (value >> (64 - bits));
}

void sipRound(std::array<quint64, 4>& v)
{
    v[0] += v[1];
    v[1] = rotated(v[1], 13) ^ v[0];
    v[0] = rotated(v[0], 32);
    v[2] += v[3];
    v[3] = rotated(v[3], 16) ^ v[2];
    v[0] += v[3];
    v[3] = rotated(v[3], 21) ^ v[0];
    v[2] += v[1];
    v[1] = rotated(v[1], 17) ^ v[2];
    v[2] = rotated(v[2], 32);
}

void sipRounds(std::array<quint64, 4>& v, int count)
{
    for (int i = 0; i < count; ++i) {
        sipRound(v);
    }
}

} // namespace

SipHash128::SipHash128(quint64 key0, quint64 key1)
    : m_state{key0 ^ 0x736f6d6570736575ULL, key1 ^ 0x646f72616e646f6dULL ^ 0xee,
              key0 ^ 0x6c7967656e657261ULL, key1 ^ 0x7465646279746573ULL}
{
}

SipHash128 SipHash128::underProcessKey()
{
    static const std::array<quint64, 2> key = [] {
        std::array<quint64, 2> drawn{};
        QRandomGenerator::system()->fillRange(drawn.data(), drawn.size());
        return drawn;
    }();
    return SipHash128(key[0], key[1]);
}

void SipHash128::compress(quint64 word)
{
    m_state[3] ^= word;
    sipRounds(m_state, 2);
    m_state[0] ^= word;
}

void SipHash128::add(QByteArrayView bytes)
{
    m_length += static_cast<quint64>(bytes.size());
    const char* from = bytes.data();
    const char* const end = from + bytes.size();
    while (m_tailBytes > 0 && from != end) {
        m_tail |= quint64(static_cast<unsigned char>(*from++)) << (8 * m_tailBytes);
        if (++m_tailBytes == 8) {
            compress(m_tail);
            m_tail = 0;
            m_tailBytes = 0;
        }
    }
    for (; end - from >= 8; from += 8) {
        compress(qFromLittleEndian<quint64>(from));
    }
    for (; from != end; ++from, ++m_tailBytes) {
        m_tail |= quint64(static_cast<unsigned char>(*from)) << (8 * m_tailBytes);
    }
}

std::array<char, 16> SipHash128::result() const
{
    std::array<quint64, 4> v = m_state;
    const quint64 last = (m_length << 56) | m_tail;
    v[3] ^= last;
    sipRounds(v, 2);
    v[0] ^= last;
    v[2] ^= 0xee;
    sipRounds(v, 4);
    const quint64 first = v[0] ^ v[1] ^ v[2] ^ v[3];
    v[1] ^= 0xdd;
    sipRounds(v, 4);
    const quint64 second = v[0] ^ v[1] ^ v[2] ^ v[3];
    std::array<char, 16> hash{};
    qToLittleEndian(first, hash.data());
    qToLittleEndian(second, hash.data() + 8);
    return hash;
}

} // namespace norvane
