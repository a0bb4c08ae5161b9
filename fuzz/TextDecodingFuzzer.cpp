// A page's bytes give the same text however they arrive in chunks; the mark
// picks the decoding; the first U+0000 ends the text; cutting it into lines
// and joining them again keeps every character and only evens out the breaks.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>

#include "FuzzSupport.h"
#include "TextFile.h"
#include "Utf.h"

using namespace courseview;
using namespace courseview::fuzzing;

namespace {

// Every break (CR LF, a lone CR, a lone LF) as CR LF, and one more after a
// last line that has none.
std::u16string WithEvenBreaks(std::u16string_view text) {
    std::u16string out;
    bool endsWithBreak = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        endsWithBreak = c == u'\r' || c == u'\n';
        if (c == u'\r') {
            out += u"\r\n";
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        } else if (c == u'\n') {
            out += u"\r\n";
        } else {
            out.push_back(c);
        }
    }
    if (!text.empty() && !endsWithBreak) out += u"\r\n";
    return out;
}

// UTF-16 read by hand: pairs of bytes, half a unit at the end is U+FFFD.
std::u16string Utf16ByHand(std::string_view body, bool bigEndian) {
    std::u16string out;
    for (std::size_t i = 0; i + 1 < body.size(); i += 2) {
        const auto first = static_cast<unsigned char>(body[i]);
        const auto second = static_cast<unsigned char>(body[i + 1]);
        const char16_t unit =
            bigEndian ? char16_t(first << 8 | second) : char16_t(second << 8 | first);
        if (unit == 0) return out;
        out.push_back(unit);
    }
    if (body.size() % 2 == 1) out.push_back(u'\uFFFD');
    return out;
}

std::string_view UpToFirstNul(std::string_view bytes) { return bytes.substr(0, bytes.find('\0')); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const CodePage& codePage = PickCodePage(input.ConsumeIntegral<std::uint8_t>());
    std::vector<std::size_t> cuts(input.ConsumeIntegralInRange<std::size_t>(0, 8));
    for (auto& cut : cuts) cut = input.ConsumeIntegral<std::uint16_t>();
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    for (auto& cut : cuts) cut %= bytes.size() + 1;
    std::sort(cuts.begin(), cuts.end());

    const std::u16string whole = DecodeText(bytes, codePage);
    FUZZ_CHECK(whole.find(u'\0') == std::u16string::npos, Hex(whole));

    // The same bytes in chunks, cut anywhere: inside a mark, a character or a
    // surrogate pair.
    TextDecoder decoder(codePage);
    std::u16string chunked;
    std::size_t from = 0;
    bool goesOn = true;
    for (std::size_t cut : cuts) {
        const std::size_t before = chunked.size();
        const bool stillGoing =
            decoder.Feed(std::string_view(bytes).substr(from, cut - from), false, chunked);
        if (!goesOn)
            FUZZ_CHECK(!stillGoing && chunked.size() == before, "text went on after its end");
        goesOn = stillGoing;
        from = cut;
    }
    decoder.Feed(std::string_view(bytes).substr(from), true, chunked);
    FUZZ_CHECK(chunked == whole,
               codePage.Name() + "\nwhole:   " + Hex(whole) + "\nchunked: " + Hex(chunked));

    const std::string_view view(bytes);
    if (view.substr(0, 2) == "\xFF\xFE") {
        FUZZ_CHECK(whole == Utf16ByHand(view.substr(2), false), Hex(whole));
    } else if (view.substr(0, 2) == "\xFE\xFF") {
        FUZZ_CHECK(whole == Utf16ByHand(view.substr(2), true), Hex(whole));
    } else {
        const bool utf8Mark = view.substr(0, 3) == "\xEF\xBB\xBF";
        const std::string_view body = UpToFirstNul(utf8Mark ? view.substr(3) : view);
        if ((utf8Mark || codePage.Name() == "UTF-8") && fuzzing::IsWellFormedUtf8(body)) {
            FUZZ_CHECK(Utf16ToUtf8(whole) == body, Hex(whole));
        }
        if (!utf8Mark && (codePage.Name() == "CP1251" || codePage.Name() == "KOI8-R")) {
            FUZZ_CHECK(whole.size() == body.size(), "one character per byte in a single-byte page");
        }
    }

    const std::vector<std::u16string> lines = SplitLines(whole);
    for (const auto& line : lines) {
        FUZZ_CHECK(line.find_first_of(u"\r\n") == std::u16string::npos, Hex(line));
    }
    const std::u16string joined = JoinLines(lines);
    FUZZ_CHECK(joined == WithEvenBreaks(whole), Hex(whole) + "\njoined: " + Hex(joined));
    FUZZ_CHECK(SplitLines(joined) == lines, "lines joined and cut again differ");
    return 0;
}
