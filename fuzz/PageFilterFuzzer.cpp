// The byte filter never rejects a page that holds the query: whatever the
// page's bytes, encoding and query, searching it with the filter gives what
// reading it in full gives (every word found or not; and for an entry found
// by its caption, which wants the hits of any word, the same hits and line).
//
// Input: a code page, whether any word is wanted, where and how much
// padding goes in (to put a chosen byte on the reader's chunk boundary),
// the query (up to 32 bytes of UTF-8), then the page.

#include <fuzzer/FuzzedDataProvider.h>

#include <atomic>

#include "FuzzSupport.h"
#include "PageSearch.h"
#include "Utf.h"

using namespace courseview;
using namespace courseview::fuzzing;

namespace {

// The reader's first buffer: a chunk and what the filter keeps around it.
constexpr std::size_t FirstBuffer = 256 * 1024 + 160 + 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const CodePage& codePage = PickCodePage(input.ConsumeIntegral<std::uint8_t>());
    const bool anyWord = input.ConsumeBool();
    const auto padding = input.ConsumeIntegral<std::uint8_t>();
    const auto paddingAt = input.ConsumeIntegral<std::uint16_t>();
    const std::u16string query = Utf8ToUtf16(input.ConsumeRandomLengthString(32));
    std::string page = input.ConsumeRemainingBytesAsString();
    // Most inputs go without padding: big files are slow to fuzz.
    if ((padding & 3) == 1) {
        const std::size_t at = paddingAt % (page.size() + 1);
        // The page then reaches past the first buffer's end: its last bytes
        // are looked at again with the next chunk.
        const std::size_t length = FirstBuffer - 256 + (padding >> 2) * 5;
        page.insert(at, std::string(length, (padding & 4) ? ' ' : '\0'));
    }
    WriteWholeFile(ScratchPagePath(), page);

    const Query parsed(query);
    const std::atomic<bool> cancelled{false};
    PageSearch filtered(parsed, codePage);
    PageSearch whole(parsed, codePage);
    whole.UseFilter(false);
    const PageHits quick = filtered.Search(ScratchPagePath(), anyWord, cancelled);
    const PageHits full = whole.Search(ScratchPagePath(), anyWord, cancelled);
    const std::string detail =
        codePage.Name() + ", query " + Hex(query) + ", " + std::to_string(page.size()) + " bytes";
    FUZZ_CHECK(quick.holdsQuery == full.holdsQuery, detail);
    if (anyWord || full.holdsQuery) {
        FUZZ_CHECK(quick.hits == full.hits, detail);
        FUZZ_CHECK(quick.line.text == full.line.text, detail);
    }
    return 0;
}
