#include "companion/PixelCatSprites.h"

#include <array>

namespace meterix {

namespace {

// Every frame shares the head of walk1: ears over pink inner ears, a white
// muzzle with a pink nose; closed eyes are a dark line one row lower.
// The poses keep one ground line: ears in row 2 (walking, idle), 3 (sitting,
// washing), 4 (loaf, stretch), 7 (sleeping) and 1 (happy, dangling).
using Rows = std::array<const char*, 16>;

constexpr Rows kWalk1{
    "................", "................", "..D...D.........", "..BP.PB.........",
    ".BBBBBBB........", ".BEEBEEB........", ".BEWBEEW...BBB..", ".BWWPWWBBBBBD...",
    "..BBBBBBBBBBB...", "...BBBBBBBBBB...", "..WW.BBBB.WW....", ".WW........WW...",
    "................", "................", "................", "................",
};

constexpr Rows kWalk2{
    "................", "................", "..D...D.........", "..BP.PB.........",
    ".BBBBBBB........", ".BEEBEEB........", ".BEWBEEW...BBB..", ".BWWPWWBBBBBD...",
    "..BBBBBBBBBBB...", "...BBBBBBBBBB...", "...WW.BB.WW.....", "...WW....WW.....",
    "................", "................", "................", "................",
};

constexpr Rows kIdle1{
    "................", "................", "..D...D.........", "..BP.PB.........",
    ".BBBBBBB........", ".BEEBEEB....BB..", ".BEWBEEW...B..B.", ".BWWPWWBBBBB..D.",
    "..BBBBBBBBBB....", "...BBBBBBBBB....", "...WWBBBBWW.....", "...WW....WW.....",
    "................", "................", "................", "................",
};

constexpr Rows kIdle2{
    "................", "................", "..D...D.........", "..BP.PB.....BB..",
    ".BBBBBBB...B..B.", ".BEEBEEB...B..D.", ".BEWBEEW...B....", ".BWWPWWBBBBB....",
    "..BBBBBBBBBB....", "...BBBBBBBBB....", "...WWBBBBWW.....", "...WW....WW.....",
    "................", "................", "................", "................",
};

constexpr Rows kSit1{
    "................", "................", "................", "..D...D.........",
    "..BP.PB.........", ".BBBBBBB........", ".BEEBEEB........", ".BEWBEEW........",
    ".BWWPWWBB.......", "..BBBBBBBB......", "..BWBBBBBBB.....", "..BWBBBBBBBB..D.",
    "..WW.WWBBBBBBBB.", "................", "................", "................",
};

constexpr Rows kSit2{
    "................", "................", "................", "..D...D.........",
    "..BP.PB.........", ".BBBBBBB........", ".BBBBBBB........", ".B--B--B........",
    ".BWWPWWBB.......", "..BBBBBBBB......", "..BWBBBBBBB.....", "..BWBBBBBBBB..D.",
    "..WW.WWBBBBBBBB.", "................", "................", "................",
};

constexpr Rows kWash1{
    "................", "................", "................", "..D...D.........",
    "..BP.PB.........", ".BBBBBBB........", ".BBBBBBB........", ".B--B--B........",
    ".BWWPWWBB.......", ".WWBPBBBBB......", "..WBBBBBBBB.....", "..BBBBBBBBBB..D.",
    "...W.WWBBBBBBBB.", "................", "................", "................",
};

constexpr Rows kWash2{
    "................", "................", "................", "..D...D.........",
    "..BP.PB.........", ".BBBBBBB........", ".BBBBBBB........", ".B--B--B........",
    ".BWWPWWBB.......", "..BBPBBBBB......", ".WBBBBBBBBB.....", ".WBBBBBBBBBB..D.",
    "...W.WWBBBBBBBB.", "................", "................", "................",
};

constexpr Rows kLoaf{
    "................", "................", "................", "................",
    "..D...D.........", "..BP.PB.........", ".BBBBBBB........", ".BEEBEEBBBBB....",
    ".BEWBEEWBBBBBB..", ".BWWPWWBBBBBBD..", "..BBBBBBBBBBBBD.", "..WWWWWWWWWWWW..",
    "................", "................", "................", "................",
};

constexpr Rows kSleep1{
    "................", "................", "................", "................",
    "................", "................", "................", "..D...D.........",
    "..BP.PB..BBB....", ".BBBBBBBBBBBBB..", ".BBBBBBBBBBBBBB.", ".B--B--BBBBBBDD.",
    ".BWWPWWBWWWWWW..", "................", "................", "................",
};

constexpr Rows kSleep2{
    "................", "................", "................", "................",
    "................", "................", "................", "..D...D.........",
    "..BP.PB..BBB....", ".BBBBBBBBBBBBB..", ".BBBBBBBBBBBBBB.", ".B--B--BBBBBBDD.",
    ".BWWPWWB.WWWW...", "................", "................", "................",
};

constexpr Rows kStretch{
    "................", "................", "................", "................",
    ".........D...D..", ".........BP.PB..", "........BBBBBBB.", "........BEEBEEB.",
    "........BEWBEEW.", ".......BBWWPWWB.", "..BBBBBBBBBBBBW.", ".WWWW.....WW....",
    "................", "................", "................", "................",
};

constexpr Rows kHappy{
    "................", "..D...D.........", "..BP.PB.....D...", ".BBBBBBB....B...",
    ".BBBBBBB....B...", ".B--B--B...B....", ".BWWPWWBBBBB....", "..BBBBBBBBBB....",
    "..WB......BW....", ".WW........WW...", "................", "................",
    "................", "................", "................", "................",
};

constexpr Rows kDangle1{
    "................", ".....D...D......", ".....BP.PB......", "....BBBBBBB.....",
    "....BBBBBBB.....", "....B--B--B.....", "....BWWPWWB.....", ".....BBBBB......",
    "....WBBBBBW.....", "....WBBBBBW.....", ".....BBBBB......", ".....BBWBB......",
    ".....WBBBW......", ".....W.B.W......", ".......D........", "................",
};

constexpr Rows kDangle2{
    "................", ".....D...D......", ".....BP.PB......", "....BBBBBBB.....",
    "....BBBBBBB.....", "....B--B--B.....", "....BWWPWWB.....", ".....BBBBB......",
    "...WBBBBBB......", "...W.BBBBBW.....", ".....BBBBB...D..", ".....BBWBB...B..",
    "....WBBBBBBBBB..", "....W...W.......", "................", "................",
};

constexpr Rows kDangle3{
    "................", ".....D...D......", ".....BP.PB......", "....BBBBBBB.....",
    "....BBBBBBB.....", "....B--B--B.....", "....BWWPWWB.....", ".....BBBBB......",
    ".....BBBBBBW....", ".....BBBBB.W....", ".....BBBBB..BB..", ".....BBWBB.B..D.",
    ".....BBBBBB.....", "......W...W.....", "................", "................",
};

PixelCatFrame makeFrame(const Rows& rows) {
    QStringList list;
    list.reserve(int(rows.size()));
    for (const char* row : rows)
        list.append(QString::fromLatin1(row));
    return PixelCatFrame(std::move(list));
}

const Rows& rowsOf(CatSprite sprite) {
    switch (sprite) {
    case CatSprite::walk1:
        return kWalk1;
    case CatSprite::walk2:
        return kWalk2;
    case CatSprite::idle1:
        return kIdle1;
    case CatSprite::idle2:
        return kIdle2;
    case CatSprite::sit1:
        return kSit1;
    case CatSprite::sit2:
        return kSit2;
    case CatSprite::wash1:
        return kWash1;
    case CatSprite::wash2:
        return kWash2;
    case CatSprite::loaf:
        return kLoaf;
    case CatSprite::sleep1:
        return kSleep1;
    case CatSprite::sleep2:
        return kSleep2;
    case CatSprite::stretch:
        return kStretch;
    case CatSprite::happy:
        return kHappy;
    case CatSprite::dangle1:
        return kDangle1;
    case CatSprite::dangle2:
        return kDangle2;
    case CatSprite::dangle3:
        return kDangle3;
    }
    return kWalk1;
}

} // namespace

const QList<CatSprite>& PixelCatSprites::all() {
    static const QList<CatSprite> sprites{
        CatSprite::walk1, CatSprite::walk2,   CatSprite::idle1,   CatSprite::idle2,
        CatSprite::sit1,  CatSprite::sit2,    CatSprite::wash1,   CatSprite::wash2,
        CatSprite::loaf,  CatSprite::sleep1,  CatSprite::sleep2,  CatSprite::stretch,
        CatSprite::happy, CatSprite::dangle1, CatSprite::dangle2, CatSprite::dangle3,
    };
    return sprites;
}

const PixelCatFrame& PixelCatSprites::frame(CatSprite sprite) {
    // Built together on first use (GUI thread), then only read.
    static const std::array<PixelCatFrame, 16> frames = [] {
        std::array<PixelCatFrame, 16> built;
        for (CatSprite s : all())
            built[size_t(s)] = makeFrame(rowsOf(s));
        return built;
    }();
    const auto index = size_t(sprite);
    return index < frames.size() ? frames[index] : frames[0];
}

const char* PixelCatSprites::name(CatSprite sprite) {
    static constexpr std::array<const char*, 16> names{
        "walk1", "walk2",  "idle1",  "idle2",   "sit1",  "sit2",    "wash1",   "wash2",
        "loaf",  "sleep1", "sleep2", "stretch", "happy", "dangle1", "dangle2", "dangle3",
    };
    const auto index = size_t(sprite);
    return index < names.size() ? names[index] : "walk1";
}

} // namespace meterix
