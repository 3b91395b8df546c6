// The checks of Vorbis header packets against libvorbis: codebooks it cannot decode with, and
// what it allocates for the headers of a stream.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include <SDL.h>

#include <cstddef>
#include <optional>

// The bytes that libvorbis allocates for a setup header: what it keeps while the music is open,
// and what it allocates besides while it decodes the stream.
struct VorbisCost {
    Sint64 kept;
    Sint64 decoding;
};

// What libvorbis allocates for this setup header (the third header packet of a stream); none,
// with the reason recorded, when it would set up a codebook that it cannot decode with, or one
// whose set-up overflows a thread's stack.
std::optional<VorbisCost> vorbisSetupCost(const Uint8* packet, std::size_t length);

// The bytes that libvorbis allocates to hold this comment header (the second header packet).
Sint64 vorbisCommentCost(const Uint8* packet, std::size_t length);
