// Small helpers shared by the tests: surfaces from pixel words and back, and an
// observer that records progress events.
#pragma once

#include "imaging/cDIB.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace quillmere::testing {

// Pixel words as read little-endian: 0x00RRGGBB.
inline void SetPixels(cDIB& dib, std::int32_t w, std::int32_t h, const std::vector<std::uint32_t>& words)
{
    ASSERT_TRUE(dib.Create(w, h));
    ASSERT_EQ(words.size(), static_cast<std::size_t>(w) * h);
    std::memcpy(dib.DIBitsPtr(), words.data(), words.size() * 4);
}

inline std::vector<std::uint32_t> GetPixels(const cDIB& dib)
{
    std::vector<std::uint32_t> words(static_cast<std::size_t>(dib.Size()) / 4);
    if (dib.DIBitsPtr())
        std::memcpy(words.data(), dib.DIBitsPtr(), words.size() * 4);
    return words;
}

struct RecordingObserver : ProgressObserver {
    std::vector<std::int32_t> progress;
    int ends = 0;
    void Progress(std::int32_t index) override { progress.push_back(index); }
    void ProgressEnd() override { ++ends; }
};

// 0, 1, ..., n - 1
inline std::vector<std::int32_t> Iota(std::int32_t n)
{
    std::vector<std::int32_t> v(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i)
        v[i] = i;
    return v;
}

} // namespace quillmere::testing
