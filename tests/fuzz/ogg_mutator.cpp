// libFuzzer's mutator for the targets whose input may be an Ogg file: its own mutations, then the
// pages' checksums set anew, so that libogg reads the mutated pages instead of dropping them.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "tests/fuzz/fuzz_support.h"

#include <cstddef>
#include <cstdint>

// libFuzzer's own mutations; weak, so that the replay driver, which never mutates, links without.
extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize)
    __attribute__((weak));

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t maxSize, unsigned int /*seed*/) {
    size = LLVMFuzzerMutate(data, size, maxSize);
    fixOggChecksums(data, size);
    return size;
}
