// The check of a TrueType font's glyph outlines against what FreeType loads for each glyph.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/datafile/glyf.h"

#include "services/datafile/reader.h"

#include <algorithm>
#include <vector>

namespace {

// What one glyph may cost FreeType to load, twice for every character of every line drawn, each
// line with the font opened anew. FreeType follows a composite glyph's parts to any depth and
// as many times as they are named, so a few kilobytes of parts naming parts twice over cost it
// seconds and hundreds of megabytes; and the outline's points, which it fits to the pixel grid
// one by one, make up most of the rest. FreeType also copies each glyph's bytes out of the font's
// stream as its location gives them, however many they are: locations that run backwards reach
// to the end of the table, megabytes for a glyph of a few points. Ordinary glyphs have a few
// dozen points in a few hundred bytes, an accented letter two or three parts.
constexpr int maxGlyphDepth = 8;
constexpr Sint64 maxGlyphLoads = 64;
constexpr Sint64 maxGlyphPoints = 1024;
constexpr Sint64 maxGlyphBytes = 16 * 1024;

// The composite flags that say how long each part's record is and whether another follows.
constexpr Uint32 argumentsAreWords = 0x0001;
constexpr Uint32 hasScale = 0x0008;
constexpr Uint32 moreParts = 0x0020;
constexpr Uint32 hasXAndYScale = 0x0040;
constexpr Uint32 hasTwoByTwo = 0x0080;

// What FreeType's load of one glyph costs: the loads of the glyph and its parts, the points of
// its outline, the bytes it reads, and how deep its parts go.
struct GlyphCost {
    Sint64 loads;
    Sint64 points;
    Sint64 bytes;
    int depth;
};

// A glyph's place in the walk: not reached yet, being walked (reached again, it is made of
// itself), or costed.
enum class Walk { unseen, walking, done };

struct Walker {
    const GlyphTables& tables;
    std::vector<Walk> state;
    std::vector<GlyphCost> costs;
};

// The bytes of glyph `glyph` as tt_face_get_location finds them; empty when FreeType finds none.
ByteReader glyphBytes(const GlyphTables& tables, std::size_t glyph) {
    const std::size_t width = tables.longOffsets ? 4 : 2;
    const auto entry = [&tables, width](std::size_t n) -> std::size_t {
        ByteReader loca = byteReader(tables.loca + n * width, width);
        return tables.longOffsets ? readBe32(loca) : std::size_t{readBe16(loca)} * 2;
    };
    if (glyph >= tables.locations) {
        return byteReader(nullptr, 0);
    }
    const std::size_t start = entry(glyph);
    std::size_t end = glyph + 1 < tables.locations ? entry(glyph + 1) : start;
    if (start > tables.glyfLength) {
        return byteReader(nullptr, 0);
    }
    if (end > tables.glyfLength) {
        if (glyph + 2 != tables.locations) {
            return byteReader(nullptr, 0);
        }
        end = tables.glyfLength;
    }
    // loca's entries may run backwards, and FreeType then reads to the end of glyf.
    const std::size_t length = end >= start ? end - start : tables.glyfLength - start;
    return byteReader(tables.glyf + start, length);
}

bool costOf(Walker& walker, std::size_t glyph, int level);

// The cost of one composite glyph whose records `glyph` reads, from the costs of its parts.
bool compositeCost(Walker& walker, ByteReader& glyph, int level, GlyphCost& cost) {
    for (Uint32 flags = moreParts; (flags & moreParts) != 0;) {
        flags = readBe16(glyph);
        const std::size_t part = readBe16(glyph);
        const std::size_t arguments = (flags & argumentsAreWords) != 0 ? 4 : 2;
        const std::size_t scale = (flags & hasTwoByTwo) != 0     ? 8
                                  : (flags & hasXAndYScale) != 0 ? 4
                                  : (flags & hasScale) != 0      ? 2
                                                                 : 0;
        readSpan(glyph, arguments + scale);
        // FreeType stops at a record cut short, and refuses a part it does not have.
        if (glyph.failed) {
            return true;
        }
        if (part >= walker.tables.glyphs) {
            continue;
        }
        if (!costOf(walker, part, level + 1)) {
            return false;
        }
        const GlyphCost& partCost = walker.costs[part];
        cost.loads += partCost.loads;
        cost.points += partCost.points;
        cost.bytes += partCost.bytes;
        cost.depth = std::max(cost.depth, partCost.depth + 1);
        if (cost.loads > maxGlyphLoads) {
            return refuse("font: a glyph of too many parts");
        }
    }
    return true;
}

// Works out the cost of glyph `glyph`, reached `level` parts deep, unless it is known; false,
// with the reason recorded, when it or a part is too costly or made of itself.
bool costOf(Walker& walker, std::size_t glyph, int level) {
    if (walker.state[glyph] == Walk::done) {
        return walker.costs[glyph].depth + level <= maxGlyphDepth ||
               refuse("font: glyphs made of parts too deep");
    }
    if (walker.state[glyph] == Walk::walking) {
        return refuse("font: a glyph made of itself");
    }
    if (level > maxGlyphDepth) {
        return refuse("font: glyphs made of parts too deep");
    }
    walker.state[glyph] = Walk::walking;
    ByteReader bytes = glyphBytes(walker.tables, glyph);
    GlyphCost cost{1, 0, static_cast<Sint64>(bytes.length), 0};
    const Sint32 contours = static_cast<Sint16>(readBe16(bytes));
    readSpan(bytes, 8);
    if (!bytes.failed && contours > 0) {
        // The last contour's end names the outline's last point.
        seekTo(bytes, 10 + 2 * static_cast<std::size_t>(contours - 1));
        const Sint64 lastPoint = readBe16(bytes);
        cost.points = bytes.failed ? 0 : lastPoint + 1;
    } else if (!bytes.failed && contours < 0 && !compositeCost(walker, bytes, level, cost)) {
        return false;
    }
    if (cost.points > maxGlyphPoints) {
        return refuse("font: a glyph of too many points");
    }
    if (cost.bytes > maxGlyphBytes) {
        return refuse("font: a glyph of too many bytes");
    }
    walker.costs[glyph] = cost;
    walker.state[glyph] = Walk::done;
    return true;
}

} // namespace

bool glyphOutlinesAccepted(const GlyphTables& tables, std::vector<Uint16>& points) {
    Walker walker{tables, std::vector<Walk>(tables.glyphs, Walk::unseen),
                  std::vector<GlyphCost>(tables.glyphs)};
    points.assign(tables.glyphs, 0);
    for (std::size_t glyph = 0; glyph < tables.glyphs; ++glyph) {
        if (!costOf(walker, glyph, 0)) {
            return false;
        }
        // At most maxGlyphPoints, which the walk has just checked.
        points[glyph] = static_cast<Uint16>(walker.costs[glyph].points);
    }
    return true;
}
