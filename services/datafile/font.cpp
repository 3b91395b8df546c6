// The checks of TrueType and OpenType fonts against SDL_ttf 2.0 and FreeType.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/datafile/font.h"

#include "services/datafile/eblc.h"
#include "services/datafile/glyf.h"
#include "services/datafile/reader.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

namespace {

// Largest font: each line of text opens it anew, twice a menu frame, from a copy in memory, and
// its check walks every glyph.
constexpr Sint64 maxFontBytes = 4 * 1024 * 1024;

// Every entry of the table directory is compared with those before it at every opening.
constexpr std::size_t maxFontTables = 256;

// The tables that FreeType reads whole, or walks whole, at every opening of a face, and what they
// may take in all: a few times what an ordinary text face holds in them. The control values are
// held twice over. The character maps are each checked whole, once for every record that names
// them, and kerning pairs out of order are searched one by one for every pair of characters.
// The font programs and the control values, each copied whole into memory of its own, and the
// name records, each read into a record of FreeType's, cost far more than their bytes: a
// megabyte of font program, or 65535 names, took the menu's frames to 70 to 110 ms. Ordinary
// faces have programs and control values of a few kilobytes and a few hundred names.
constexpr const char* wholeReadTables[] = {"cmap", "kern", "hdmx", "cvt ", "fpgm", "prep", "name",
                                           "post", "gasp", "loca", "EBLC", "bloc", "fvar"};
constexpr Sint64 maxWholeReadBytes = 1024 * 1024;
constexpr Sint64 maxMapOrKerningBytes = 256 * 1024;
constexpr Sint64 maxProgramBytes = 64 * 1024;
constexpr Uint32 maxCharacterMaps = 16;
constexpr Uint32 maxNames = 1024;

// FreeType sizes a face's glyph tables, and walks them at every opening, by the glyph count.
constexpr Uint32 maxGlyphs = 16384;

// Tables of glyphs that FreeType draws otherwise than from TrueType outlines: CFF programs, and
// colour bitmaps and pictures, which FreeType may decode at sizes given in their own headers.
constexpr const char* otherGlyphTables[] = {"CFF ", "CFF2", "CBLC", "CBDT",
                                            "sbix", "SVG ", "COLR", "CPAL"};

// Families that FreeType takes for "tricky" fonts, whose hinting programs it runs whatever it is
// asked (tt_check_trickyness_family), and the lengths of the font programs by which it knows the
// others (tt_check_trickyness_sfnt_ids).
constexpr const char* trickyFamilies[] = {
    "cpop",        "DFGirl-W6-WIN-BF", "DFGothic-EB",    "DFGyoSho-Lt",
    "DFHei",       "DFHSGothic-W5",    "DFHSMincho-W3",  "DFHSMincho-W7",
    "DFKaiSho-SB", "DFKaiShu",         "DFKai-SB",       "DFMing",
    "DLC",         "HuaTianKaiTi?",    "HuaTianSongTi?", "Ming(for ISO10646)",
    "MingLiU",     "MingMedium",       "PMingLiU",       "MingLi43"};
constexpr Sint64 trickyProgramLengths[] = {
    229,   321,   358,   413,   450,   459,   496,   22698, 26479, 27214, 28841, 29023, 29869,
    31040, 32481, 34203, 34727, 34756, 35224, 36394, 36963, 48261, 48802, 49262, 97337};

// A table of the font as FreeType keeps it.
struct FontTable {
    char tag[5];
    Sint64 offset;
    Sint64 length;
};

// The table directory of a font's first face: the version, every entry's furthest byte, and the
// entries that FreeType keeps of a file of `fileSize` bytes, the empty ones among them.
struct FontDirectory {
    Uint32 version;
    Sint64 extent;
    std::vector<FontTable> tables;
};

// Reads the table directory; false, with the reason recorded, when it is cut short.
bool readDirectory(const Uint8* bytes, std::size_t count, Sint64 fileSize,
                   FontDirectory& directory) {
    ByteReader reader = byteReader(bytes, count);
    // A collection opens as its first font, whose table directory the header points to.
    directory.extent = 12;
    if (readTag(reader, "ttcf")) {
        readLe32(reader);
        const Uint32 fonts = readBe32(reader);
        const Uint32 first = readBe32(reader);
        if (reader.failed || fonts == 0) {
            return refuse("font: collection header cut short");
        }
        directory.extent = 12 + 4 * static_cast<Sint64>(fonts);
        seekTo(reader, first);
    } else {
        seekTo(reader, 0);
    }
    directory.version = readBe32(reader);
    const std::size_t tables = readBe16(reader);
    readSpan(reader, 6);
    readSpan(reader, 16 * tables);
    if (reader.failed) {
        return refuse("font: table directory beyond the leading bytes");
    }
    if (tables > maxFontTables) {
        return refuse("font: more than 256 tables");
    }
    directory.extent = std::max(directory.extent, static_cast<Sint64>(reader.position));
    seekTo(reader, reader.position - 16 * tables);
    for (std::size_t n = 0; n < tables; ++n) {
        FontTable table{};
        std::memcpy(table.tag, readSpan(reader, 4), 4);
        readBe32(reader);
        table.offset = readBe32(reader);
        table.length = readBe32(reader);
        directory.extent = std::max(directory.extent, table.offset + table.length);
        // FreeType drops an entry that does not lie whole in the file, but for the metrics, which
        // it cuts to whole entries, and an entry of a tag that it keeps already: the first entry
        // of a tag is its table even when it is empty (tt_face_load_font_dir).
        const bool metrics =
            std::strcmp(table.tag, "hmtx") == 0 || std::strcmp(table.tag, "vmtx") == 0;
        if (table.offset <= fileSize && table.length > fileSize - table.offset && metrics) {
            table.length = (fileSize - table.offset) / 4 * 4;
        }
        const bool kept = std::any_of(
            directory.tables.begin(), directory.tables.end(),
            [&table](const FontTable& other) { return std::strcmp(other.tag, table.tag) == 0; });
        if (table.offset + table.length <= fileSize && !kept) {
            directory.tables.push_back(table);
        }
    }
    return true;
}

// The table tagged `tag` that FreeType uses, or none: an empty table is a missing one
// (tt_face_lookup_table).
const FontTable* findTable(const FontDirectory& directory, const char* tag) {
    for (const FontTable& table : directory.tables) {
        if (std::strcmp(table.tag, tag) == 0) {
            return table.length > 0 ? &table : nullptr;
        }
    }
    return nullptr;
}

// The table tagged `tag` that FreeType uses, else the one tagged `otherwise`.
const FontTable* findEither(const FontDirectory& directory, const char* tag,
                            const char* otherwise) {
    const FontTable* table = findTable(directory, tag);
    return table != nullptr ? table : findTable(directory, otherwise);
}

Sint64 tableLength(const FontDirectory& directory, const char* tag) {
    const FontTable* table = findTable(directory, tag);
    return table == nullptr ? 0 : table->length;
}

// A reader of one of the font's tables; an empty one when FreeType keeps none.
ByteReader tableReader(const Uint8* bytes, const FontDirectory& directory, const char* tag) {
    const FontTable* table = findTable(directory, tag);
    return table == nullptr
               ? byteReader(nullptr, 0)
               : byteReader(bytes + table->offset, static_cast<std::size_t>(table->length));
}

// How many `loca` entries FreeType takes as glyph locations (tt_face_load_loca): the table's, at
// most 65536, or one more than the glyph count when the bytes before the next table, empty or
// not, hold them, else the glyph count comes down to the table's. None when the bytes lie beyond
// the font.
std::size_t glyphLocations(const FontDirectory& directory, const FontTable& loca, bool longOffsets,
                           std::size_t& glyphs, std::size_t size) {
    const int shift = longOffsets ? 2 : 1;
    Sint64 length = std::min<Sint64>(loca.length, Sint64{0x10000} << shift);
    std::size_t locations = static_cast<std::size_t>(length >> shift);
    if (locations < glyphs + 1) {
        const Sint64 wanted = static_cast<Sint64>(glyphs + 1) << shift;
        Sint64 room = static_cast<Sint64>(size) - loca.offset;
        for (const FontTable& table : directory.tables) {
            if (table.offset > loca.offset) {
                room = std::min(room, table.offset - loca.offset);
            }
        }
        if (wanted <= room) {
            locations = glyphs + 1;
            length = wanted;
        } else {
            glyphs = locations > 0 ? locations - 1 : 0;
        }
    }
    return loca.offset + length <= static_cast<Sint64>(size) ? locations : 0;
}

// Whether a name record's text, as FreeType makes it ASCII (anything else a question mark), names
// a tricky family.
bool namesTrickyFamily(const Uint8* text, std::size_t length, bool wide) {
    std::string ascii;
    for (std::size_t n = wide ? 1 : 0; n < length; n += wide ? 2 : 1) {
        const bool plain = text[n] >= 32 && text[n] < 128 && (!wide || text[n - 1] == 0);
        ascii.push_back(plain ? static_cast<char>(text[n]) : '?');
    }
    return std::any_of(
        std::begin(trickyFamilies), std::end(trickyFamilies),
        [&ascii](const char* family) { return ascii.find(family) != std::string::npos; });
}

// Whether FreeType would take the font for a tricky one, by the family names it may read or by
// the length of its font program.
bool trickyFont(const Uint8* bytes, const FontDirectory& directory) {
    const Sint64 program = tableLength(directory, "fpgm");
    if (std::find(std::begin(trickyProgramLengths), std::end(trickyProgramLengths), program) !=
        std::end(trickyProgramLengths)) {
        return true;
    }
    ByteReader names = tableReader(bytes, directory, "name");
    readBe16(names);
    const std::size_t count = readBe16(names);
    const std::size_t storage = readBe16(names);
    for (std::size_t n = 0; n < count && !names.failed; ++n) {
        const Uint32 platform = readBe16(names);
        readBe16(names);
        readBe16(names);
        const Uint32 nameId = readBe16(names);
        const std::size_t length = readBe16(names);
        const std::size_t offset = readBe16(names);
        ByteReader text = names;
        seekTo(text, storage + offset);
        const Uint8* characters = readSpan(text, length);
        if ((nameId == 1 || nameId == 16 || nameId == 21) && characters != nullptr &&
            (namesTrickyFamily(characters, length, false) ||
             (platform != 1 && namesTrickyFamily(characters, length, true)))) {
            return true;
        }
    }
    return false;
}

} // namespace

std::optional<Sint64> fontExtent(const Uint8* bytes, std::size_t count, Sint64 fileSize) {
    FontDirectory directory{};
    if (!readDirectory(bytes, count, fileSize, directory)) {
        return std::nullopt;
    }
    if (directory.version != 0x00010000 && directory.version != 0x74727565) {
        return refused("font: not TrueType");
    }
    Sint64 wholeRead = 0;
    for (const FontTable& table : directory.tables) {
        const auto tagged = [&table](const char* tag) {
            return table.length > 0 && std::strcmp(table.tag, tag) == 0;
        };
        if (std::any_of(std::begin(otherGlyphTables), std::end(otherGlyphTables), tagged)) {
            return refused("font: glyphs other than TrueType outlines");
        }
        if (std::any_of(std::begin(wholeReadTables), std::end(wholeReadTables), tagged)) {
            wholeRead += table.length * (tagged("cvt ") ? 2 : 1);
        }
        if ((tagged("cmap") || tagged("kern")) && table.length > maxMapOrKerningBytes) {
            return refused("font: a character map or kerning table over 256 KiB");
        }
        if ((tagged("fpgm") || tagged("prep") || tagged("cvt ")) &&
            table.length > maxProgramBytes) {
            return refused("font: a font program or control values over 64 KiB");
        }
    }
    if (wholeRead > maxWholeReadBytes) {
        return refused("font: tables too large to read at every opening");
    }
    if (std::min(directory.extent, fileSize) > maxFontBytes) {
        return refused("font: over 4 MiB");
    }
    return directory.extent;
}

std::optional<FontCheck> fontAccepted(const Uint8* bytes, std::size_t size) {
    FontDirectory directory{};
    if (!readDirectory(bytes, size, static_cast<Sint64>(size), directory)) {
        return std::nullopt;
    }
    if (trickyFont(bytes, directory)) {
        return refused(
            "font: one that FreeType would hint with its own programs whatever it is asked");
    }
    ByteReader maps = tableReader(bytes, directory, "cmap");
    readBe16(maps);
    if (readBe16(maps) > maxCharacterMaps) {
        return refused("font: more than 16 character maps");
    }
    ByteReader names = tableReader(bytes, directory, "name");
    readBe16(names);
    if (readBe16(names) > maxNames) {
        refuse("font: more than 1024 names");
        return std::nullopt;
    }
    ByteReader header = tableReader(bytes, directory, "head");
    seekTo(header, 50);
    const bool longOffsets = readBe16(header) != 0;
    ByteReader profile = tableReader(bytes, directory, "maxp");
    seekTo(profile, 4);
    std::size_t glyphs = readBe16(profile);
    seekTo(profile, 26);
    const Uint32 instructions = readBe16(profile);
    if (glyphs > maxGlyphs) {
        return refused("font: more than 16384 glyphs");
    }
    const FontTable* glyf = findTable(directory, "glyf");
    const FontTable* loca = findTable(directory, "loca");
    std::vector<Uint16> glyphPoints;
    if (glyf != nullptr && loca != nullptr) {
        const std::size_t locations = glyphLocations(directory, *loca, longOffsets, glyphs, size);
        const GlyphTables tables{bytes + glyf->offset, static_cast<std::size_t>(glyf->length),
                                 bytes + loca->offset, locations,
                                 longOffsets,          glyphs};
        if (!glyphOutlinesAccepted(tables, glyphPoints)) {
            return std::nullopt;
        }
    }
    // FreeType takes the bitmaps' locations from `EBLC`, else from `bloc`, and their images from
    // `EBDT`, else from `bdat` (tt_face_load_sbit).
    const FontTable* locations = findEither(directory, "EBLC", "bloc");
    const FontTable* images = findEither(directory, "EBDT", "bdat");
    if (locations != nullptr && images != nullptr &&
        !embeddedBitmapsAccepted({bytes + locations->offset,
                                  static_cast<std::size_t>(locations->length),
                                  static_cast<std::size_t>(images->length)})) {
        return std::nullopt;
    }
    // Without programs of its own, FreeType fits the glyphs to the pixels with its auto-hinter.
    return FontCheck{instructions > 0 || tableLength(directory, "fpgm") > 0 ||
                         tableLength(directory, "prep") > 0,
                     std::move(glyphPoints)};
}
