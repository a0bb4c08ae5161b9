// The tokenizer: with any separator set and any text, the tokens are exactly
// the maximal runs of other bytes, in order, none empty; a set without any of
// the codes 1..255 leaves the tokens as they were.

#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzSupport.h"
#include "ParsingSelfMaking.h"

using namespace courseview;
using namespace courseview::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const CodePage& codePage = PickCodePage(input.ConsumeIntegral<std::uint8_t>());
    const std::string separators =
        input.ConsumeBytesAsString(input.ConsumeIntegralInRange<std::size_t>(0, 12));
    const std::string text = input.ConsumeRemainingBytesAsString();

    TSimpleParser parser(codePage);
    parser.Separators.AddChars(separators);
    bool inSet[256] = {};
    bool anyCounted = false;
    for (unsigned char c : separators) {
        inSet[c] = true;
        anyCounted = anyCounted || c != 0;
    }
    for (int code = 0; code < 256; ++code) {
        FUZZ_CHECK(parser.Separators.Contains(static_cast<unsigned char>(code)) == inSet[code],
                   "membership of code " + std::to_string(code));
    }
    FUZZ_CHECK(parser.Separators.IsEmpty() == !anyCounted, "emptiness ignores code 0 only");

    const std::vector<std::u16string> earlier = {u"earlier", u"tokens"};
    parser.Tokens = earlier;
    const int count = parser.Parse(text);
    if (!anyCounted) {
        FUZZ_CHECK(parser.Tokens == earlier, "an empty set must leave the tokens alone");
        return 0;
    }

    // The runs, found byte by byte in the plainest way.
    std::vector<std::string> runs;
    std::string run;
    for (unsigned char c : text) {
        if (inSet[c]) {
            if (!run.empty()) runs.push_back(run);
            run.clear();
        } else {
            run.push_back(static_cast<char>(c));
        }
    }
    if (!run.empty()) runs.push_back(run);

    FUZZ_CHECK(count == static_cast<int>(parser.Tokens.size()),
               "the count is the number of tokens");
    FUZZ_CHECK(
        parser.Tokens.size() == runs.size(),
        std::to_string(parser.Tokens.size()) + " tokens, " + std::to_string(runs.size()) + " runs");
    for (std::size_t i = 0; i < runs.size(); ++i) {
        FUZZ_CHECK(!parser.Tokens[i].empty(), "empty token " + std::to_string(i));
        FUZZ_CHECK(
            parser.Tokens[i] == codePage.ToUtf16(runs[i]),
            "token " + std::to_string(i) + ": " + Hex(parser.Tokens[i]) + " for " + Hex(runs[i]));
    }

    // A second parse starts afresh.
    FUZZ_CHECK(parser.Parse(text) == count, "parsing again gives another count");
    return 0;
}
