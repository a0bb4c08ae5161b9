#include "PageFilter.h"

#include <algorithm>
#include <cstring>

#include "ByteForm.h"
#include "CharacterReferences.h"
#include "Words.h"

namespace courseview {

namespace {

// How often a folded character stands in running text, in thousandths: the
// filter looks first for the character of a word that is rarest, so that the
// fewest places need a closer look. Russian and English letters by their
// usual shares, digits evenly, everything else as rare.
int ExpectedShare(char32_t c) {
    static constexpr unsigned char Russian[32] = {80, 16, 45, 17,  30, 85, 9,  16, 74, 12, 35,
                                                  44, 32, 67, 110, 28, 47, 55, 63, 26, 3,  10,
                                                  5,  14, 7,  4,   1,  19, 17, 3,  6,  20};  // а..я
    static constexpr unsigned char English[26] = {82, 15, 28, 43, 127, 22, 20, 61, 70,
                                                  2,  8,  40, 24, 67,  75, 19, 1,  60,
                                                  63, 91, 28, 10, 24,  2,  20, 1};  // a..z
    if (c >= U'\u0430' && c <= U'\u044F') return Russian[c - U'\u0430'];
    if (c >= U'a' && c <= U'z') return English[c - U'a'];
    if (c >= U'0' && c <= U'9') return 10;
    return 2;
}

unsigned char Byte(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}

}  // namespace

PageFilter::PageFilter(const Query& query, const ByteForm& form) : m_form(form) {
    using Kind = ByteForm::Kind;
    m_unitBytes = form.kind == Kind::Utf16LittleEndian || form.kind == Kind::Utf16BigEndian ? 2 : 1;
    if (!Usable()) return;
    // The words whose triggers should fire least often are probed.
    for (const std::u32string& word : query.Words()) Compile(word);
    std::stable_sort(m_probes.begin(), m_probes.end(),
                     [](const Probe& a, const Probe& b) { return a.share < b.share; });
    m_unprobedWords = m_probes.size() > ProbedWords;
    if (m_probes.size() > ProbedWords) m_probes.resize(ProbedWords);
    for (const Probe& probe : m_probes) {
        for (std::size_t i = 0; i + 1 < probe.word.size(); ++i) {
            for (const std::string& encoded : EncodedVariants(m_form, probe.word[i])) {
                m_pieceEnds[static_cast<unsigned char>(encoded.back())] = true;
            }
        }
    }
}

void PageFilter::Compile(const std::u32string& word) {
    Probe probe;
    probe.word = word.substr(0, ProbedCharacters);
    // Every character's encodings, and the byte that tells it apart best:
    // the last of a UTF-8 sequence, the low byte of a UTF-16 unit.
    struct Character {
        std::vector<Variant> variants;
        std::vector<unsigned char> anchorBytes;
        std::size_t length = 0;  // of every variant, or 0 when they differ
    };
    std::vector<Character> characters(probe.word.size());
    for (std::size_t i = 0; i < probe.word.size(); ++i) {
        Character& character = characters[i];
        for (std::string& encoded : EncodedVariants(m_form, probe.word[i])) {
            const std::size_t anchorAt = m_form.kind == ByteForm::Kind::Utf16BigEndian ? 1
                                         : m_form.kind == ByteForm::Kind::Utf16LittleEndian
                                             ? 0
                                             : encoded.size() - 1;
            const auto byte = static_cast<unsigned char>(encoded[anchorAt]);
            if (std::find(character.anchorBytes.begin(), character.anchorBytes.end(), byte) ==
                character.anchorBytes.end()) {
                character.anchorBytes.push_back(byte);
            }
            character.length = character.variants.empty() || character.length == encoded.size()
                                   ? encoded.size()
                                   : 0;
            character.variants.push_back({std::move(encoded), anchorAt});
        }
    }
    auto choose = [&](std::size_t i, double share) {
        probe.anchor = i;
        probe.variants = characters[i].variants;
        probe.trigger = ByteTrigger{};
        probe.trigger.bytes = characters[i].anchorBytes;
        probe.share = share;
    };
    probe.share = 2.0;
    for (std::size_t i = 0; i < probe.word.size(); ++i) {
        // A character the encoding cannot hold can only come from a
        // reference: no bytes to look for at all.
        if (characters[i].variants.empty()) {
            choose(i, 0);
            return m_probes.push_back(std::move(probe));
        }
        const double share = ExpectedShare(probe.word[i]) / 1000.0;
        if (share < probe.share) choose(i, share);
    }
    // Better, two characters in a row, where the second one's anchor byte
    // stands at a fixed distance from the first one's.
    for (std::size_t i = 0; i + 1 < probe.word.size(); ++i) {
        const std::size_t distance = m_unitBytes == 2 ? characters[i].length
                                     : m_form.kind == ByteForm::Kind::Utf8
                                         ? characters[i + 1].length
                                         : 1;
        const double share = ExpectedShare(probe.word[i]) * ExpectedShare(probe.word[i + 1]) / 1e6;
        if (distance == 0 || share >= probe.share) continue;
        choose(i, share);
        probe.trigger.otherOffset = static_cast<int>(distance);
        probe.trigger.others = characters[i + 1].anchorBytes;
    }
    m_probes.push_back(std::move(probe));
}

void PageFilter::StartPage() {
    m_found = 0;
    for (Probe& probe : m_probes) probe.found = false;
}

void PageFilter::Found(Probe& probe) {
    if (probe.found) return;
    probe.found = true;
    ++m_found;
}

bool PageFilter::Aligned(std::size_t at, std::uint64_t origin) const {
    return m_unitBytes == 1 || (origin + at) % 2 == 0;
}

// Whether the probed word stands around the anchor character found at
// [anchorStart, anchorStart + anchorLength).
bool PageFilter::WordAround(const Probe& probe, std::string_view bytes, std::size_t anchorStart,
                            std::size_t anchorLength) const {
    std::size_t at = anchorStart + anchorLength;
    for (std::size_t i = probe.anchor + 1; i < probe.word.size(); ++i) {
        char32_t c = 0;
        const std::size_t length = DecodeAt(m_form, bytes, at, c);
        if (length == 0 || FoldCharacter(c) != probe.word[i]) return false;
        at += length;
    }
    at = anchorStart;
    for (std::size_t i = probe.anchor; i-- > 0;) {
        char32_t c = 0;
        const std::size_t length = DecodeBefore(m_form, bytes, at, c);
        if (length == 0 || FoldCharacter(c) != probe.word[i]) return false;
        at -= length;
    }
    return MayStartWord(bytes, at);
}

// Whether a text word may start at `at`. A letter or digit right before it
// is in the same text, and the word would start there instead, unless it
// ends a character reference written without its ";" ("&copy", "&#33"),
// which may stand for no letter at all.
bool PageFilter::MayStartWord(std::string_view bytes, std::size_t at) const {
    char32_t c = 0;
    std::size_t length = DecodeBefore(m_form, bytes, at, c);
    if (length == 0 || !IsWordCharacter(c)) return true;
    for (int steps = 0; steps < 40; ++steps) {
        if (c == U'&') return true;
        const bool asciiAlphanumeric =
            (c >= U'0' && c <= U'9') || (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
        if (!asciiAlphanumeric && c != U'#') return false;
        at -= length;
        length = DecodeBefore(m_form, bytes, at, c);
        if (length == 0) return true;  // the bytes kept end here: cannot tell
    }
    return true;
}

// (a): the probe's anchor byte at `place`: one of its characters, the rest
// of the word around it, no letter before it.
bool PageFilter::LiteralAt(const Probe& probe, std::string_view bytes, std::size_t place,
                           std::uint64_t origin) const {
    const unsigned char anchorByte = Byte(bytes, place);
    for (const Variant& variant : probe.variants) {
        if (static_cast<unsigned char>(variant.bytes[variant.anchorAt]) != anchorByte ||
            place < variant.anchorAt) {
            continue;
        }
        const std::size_t start = place - variant.anchorAt;
        if (!Aligned(start, origin) || start + variant.bytes.size() > bytes.size() ||
            bytes.compare(start, variant.bytes.size(), variant.bytes) != 0) {
            continue;
        }
        if (WordAround(probe, bytes, start, variant.bytes.size())) return true;
    }
    return false;
}

// The unit at `place` (its low byte there) is `ascii`, for the two-byte forms.
std::size_t PageFilter::UnitStart(std::string_view bytes, std::size_t place,
                                  std::uint64_t origin) const {
    if (m_unitBytes == 1) return place;
    const std::size_t lowByte = m_form.kind == ByteForm::Kind::Utf16BigEndian ? 1 : 0;
    if (place < lowByte) return NoUnit;
    const std::size_t start = place - lowByte;
    if (!Aligned(start, origin) || start + 2 > bytes.size() ||
        Byte(bytes, start + 1 - lowByte) != 0) {
        return NoUnit;
    }
    return start;
}

// (b): a "<" at `place`, right after the first characters of a probed word
// at the start of a word.
void PageFilter::MarkupAt(std::string_view bytes, std::size_t place, std::uint64_t origin) {
    const std::size_t unitStart = UnitStart(bytes, place, origin);
    if (unitStart == NoUnit || unitStart == 0 || !m_pieceEnds[Byte(bytes, unitStart - 1)]) return;
    // The word characters before it, nearest first, and where each starts:
    // the word's first characters must stand there, at the start of a word.
    char32_t before[ProbedCharacters];
    std::size_t starts[ProbedCharacters];
    std::size_t run = 0;
    std::size_t end = unitStart;
    while (run < ProbedCharacters) {
        char32_t c = 0;
        const std::size_t length = DecodeBefore(m_form, bytes, end, c);
        if (length == 0 || !IsWordCharacter(c)) break;
        end -= length;
        before[run] = FoldCharacter(c);
        starts[run++] = end;
    }
    for (std::size_t piece = 1; piece <= run; ++piece) {
        bool mayStart = false;
        for (Probe& probe : m_probes) {
            if (probe.found || piece >= probe.word.size() ||
                !std::equal(probe.word.begin(), probe.word.begin() + piece,
                            std::make_reverse_iterator(before + piece))) {
                continue;
            }
            mayStart = mayStart || MayStartWord(bytes, starts[piece - 1]);
            if (mayStart) Found(probe);
        }
    }
}

// (c): an "&" at `place` whose reference stands for a character of a probed
// word. False when the reference runs past the bytes kept: then it is taken
// to stand for anything.
bool PageFilter::ReferenceAt(std::string_view bytes, std::size_t place, bool atEnd,
                             std::uint64_t origin) {
    const std::size_t unitStart = UnitStart(bytes, place, origin);
    if (unitStart == NoUnit) return true;
    CharacterReference reference;
    std::size_t next = unitStart + m_unitBytes;
    bool ended = false;
    while (next + m_unitBytes <= bytes.size()) {
        char32_t c = 0;
        // A reference is ASCII: any other byte or unit ends it as well.
        if (m_unitBytes == 1) {
            c = Byte(bytes, next);
        } else {
            DecodeAt(m_form, bytes, next, c);
        }
        if (!reference.Take(c < 0x80 ? char16_t(c) : u'\uFFFD') || reference.Done()) {
            ended = true;
            break;
        }
        next += m_unitBytes;
    }
    if (!ended && !atEnd) return false;
    std::u16string decoded;
    reference.Finish(decoded);
    std::size_t index = 0;
    const char32_t character = FoldCharacter(NextCodePoint(decoded, index));
    for (Probe& probe : m_probes) {
        if (!probe.found && probe.word.find(character) != std::u32string::npos) Found(probe);
    }
    return true;
}

void PageFilter::BuildTriggers(std::uint32_t found) {
    m_triggersFor = found;
    m_triggers.Clear();
    for (Probe& probe : m_probes) {
        if (!probe.found && !probe.trigger.bytes.empty()) {
            probe.triggerIndex = m_triggers.Add(probe.trigger);
        } else {
            probe.triggerIndex = SIZE_MAX;
        }
    }
    m_markupTrigger = SIZE_MAX;
    const auto firstPieceEnd = std::find(m_pieceEnds.begin(), m_pieceEnds.end(), true);
    if (firstPieceEnd != m_pieceEnds.end()) {
        // "<" right after a byte that can end a piece of a word (for UTF-16,
        // the byte before the unit).
        const auto lastPieceEnd = std::find(m_pieceEnds.rbegin(), m_pieceEnds.rend(), true);
        ByteTrigger trigger;
        trigger.bytes = {'<'};
        trigger.otherOffset = m_form.kind == ByteForm::Kind::Utf16BigEndian ? -2 : -1;
        trigger.otherLow = static_cast<unsigned char>(firstPieceEnd - m_pieceEnds.begin());
        trigger.otherHigh = static_cast<unsigned char>(255 - (lastPieceEnd - m_pieceEnds.rbegin()));
        m_markupTrigger = m_triggers.Add(std::move(trigger));
    }
    ByteTrigger ampersand;
    ampersand.bytes = {'&'};
    m_referenceTrigger = m_triggers.Add(std::move(ampersand));
}

void PageFilter::Scan(std::string_view bytes, std::size_t from, std::size_t to, bool atEnd,
                      std::uint64_t origin) {
    if (!Usable() || from >= to || m_found == m_probes.size()) return;
    // One pass for everything still looked for; the triggers stay as they
    // are from page to page while no probe is found.
    std::uint32_t found = 0;
    for (std::size_t i = 0; i < m_probes.size(); ++i) found |= (m_probes[i].found ? 1u : 0u) << i;
    if (found != m_triggersFor) BuildTriggers(found);
    const std::size_t markup = m_markupTrigger;
    const std::size_t reference = m_referenceTrigger;
    m_triggers.ForEach(bytes, from, to, [&](std::size_t place) {
        // One place may fire several: in UTF-16 the low byte of "м" is "<".
        for (Probe& probe : m_probes) {
            if (probe.found || probe.triggerIndex == SIZE_MAX) continue;
            if (m_triggers.Fires(probe.triggerIndex, bytes, place) &&
                LiteralAt(probe, bytes, place, origin)) {
                Found(probe);
            }
        }
        if (markup != SIZE_MAX && m_triggers.Fires(markup, bytes, place)) {
            MarkupAt(bytes, place, origin);
        }
        if (m_triggers.Fires(reference, bytes, place) &&
            !ReferenceAt(bytes, place, atEnd, origin)) {
            for (Probe& probe : m_probes) Found(probe);
        }
        return m_found < m_probes.size();
    });
}

}  // namespace courseview
