// The HTML text reader: whatever the text, read in chunks cut anywhere it
// gives the same text and tags, attributes' lines and cuts included, as read
// whole; tag and attribute names are
// lower case and every name, value and attribute list stays within its cap;
// lines only grow and never pass the text's line breaks; text without "<"
// or "&" comes out as it went in.
//
// Input: a chunk length, then the text as UTF-16 (two bytes a unit).

#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzSupport.h"
#include "HtmlTextReader.h"

using namespace courseview;
using namespace courseview::fuzzing;

namespace {

struct Output : HtmlHandler {
    std::u16string text;
    std::u16string tags;  // every tag written out, to compare two readings
    std::uint64_t lastLine = 1;
    bool linesGrow = true;
    bool namesFit = true;

    void Text(std::u16string_view run) override { text += run; }
    void Tag(const HtmlTag& tag) override {
        linesGrow = linesGrow && tag.line >= lastLine;
        lastLine = tag.line;
        auto lowerAndShort = [](const std::u16string& name) {
            for (char16_t c : name) {
                if (c >= u'A' && c <= u'Z') return false;
            }
            return name.size() <= HtmlTextReader::MaximumNameLength;
        };
        namesFit = namesFit && lowerAndShort(tag.name) &&
                   tag.attributes.size() <= HtmlTextReader::MaximumAttributes;
        tags += (tag.isEndTag ? u"</" : u"<") + tag.name + u" " +
                std::u16string(1, char16_t(u'0' + tag.line % 10));
        for (const HtmlAttribute& attribute : tag.attributes) {
            namesFit = namesFit && lowerAndShort(attribute.name) &&
                       attribute.value.size() <= HtmlTextReader::MaximumValueLength;
            tags += u" " + attribute.name + u"=" + attribute.value +
                    (attribute.valueCut ? u"…" : u"") + u"@" +
                    std::u16string(1, char16_t(u'0' + attribute.line % 10));
        }
        tags += tag.selfClosing ? u"/>" : u">";
    }
};

Output Read(std::u16string_view text, std::size_t chunk) {
    Output output;
    HtmlTextReader reader(output);
    for (std::size_t at = 0; at < text.size(); at += chunk) reader.Feed(text.substr(at, chunk));
    reader.Finish();
    return output;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::size_t chunk = 1 + input.ConsumeIntegralInRange<std::size_t>(0, 63);
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             static_cast<unsigned char>(bytes[i + 1]) << 8));
    }

    const Output whole = Read(text, text.size() + 1);
    const Output cut = Read(text, chunk);
    FUZZ_CHECK(whole.text == cut.text, "chunks of " + std::to_string(chunk) + "\nwhole: " +
                                           Hex(whole.text) + "\ncut:   " + Hex(cut.text));
    FUZZ_CHECK(whole.tags == cut.tags, "chunks of " + std::to_string(chunk) + "\nwhole: " +
                                           Hex(whole.tags) + "\ncut:   " + Hex(cut.tags));
    FUZZ_CHECK(whole.linesGrow, Hex(text));
    FUZZ_CHECK(whole.namesFit, Hex(whole.tags));
    std::uint64_t breaks = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'))) ++breaks;
    }
    FUZZ_CHECK(whole.lastLine <= breaks, Hex(text));
    if (text.find_first_of(u"<&") == std::u16string::npos)
        FUZZ_CHECK(whole.text == text, Hex(text));
    return 0;
}
