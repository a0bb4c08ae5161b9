#pragma once
// A streaming HTML tokenizer over decoded text, after the HTML standard's
// tokenizer: it yields the page's text with character references decoded,
// and its tags with their attributes and the line each stands on. Comments,
// doctypes and processing instructions yield nothing; the contents of
// script, style, noscript, iframe, noembed and noframes are not text (a
// browser runs or hides them), those of title and textarea are text with
// references decoded, those of xmp and plaintext text as written.
//
// Left out of the standard: the script element's escaped states (a
// "</script>" inside "<!-- -->" in a script ends it here), and the tree
// builder's own insertions. Text and tags come out in the order they stand.
//
// Bounded memory whatever the page: a tag name or an attribute name is cut
// after MaximumNameLength units, an attribute value after MaximumValueLength,
// and a tag keeps its first MaximumAttributes attributes; text is never
// gathered, it is handed on as it comes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "CharacterReferences.h"

namespace courseview {

struct HtmlAttribute {
    std::u16string name;     // ASCII letters in lower case
    std::u16string value;    // character references decoded
    std::uint64_t line = 1;  // where its name begins
    bool valueCut = false;   // the value ran past MaximumValueLength
};

struct HtmlTag {
    std::u16string name;  // ASCII letters in lower case
    bool isEndTag = false;
    bool selfClosing = false;               // written "<br/>"
    std::vector<HtmlAttribute> attributes;  // in page order; a repeated name keeps its first
    std::uint64_t line = 1;                 // where its "<" stands; lines count from 1

    // The value of the attribute `name` (lower case), or nullptr.
    const std::u16string* Attribute(std::u16string_view name) const;
};

class HtmlHandler {
public:
    virtual ~HtmlHandler() = default;
    // The page's text, as it comes: one run of text may arrive in many calls,
    // cut anywhere (also between the two units of a surrogate pair).
    virtual void Text(std::u16string_view text) = 0;
    // A start or end tag; the object is reused for the next one.
    virtual void Tag(const HtmlTag&) {}
};

class HtmlTextReader {
public:
    static constexpr std::size_t MaximumNameLength = 64;
    static constexpr std::size_t MaximumValueLength = 8192;
    static constexpr std::size_t MaximumAttributes = 64;

    explicit HtmlTextReader(HtmlHandler& handler) : m_handler(handler) {}

    // The page's text in order, in chunks cut anywhere.
    void Feed(std::u16string_view text);
    // The end of the page: what was left open is ended as a browser ends it
    // (a tag cut by the end is dropped). The reader is then ready for a new page.
    void Finish();

    // The line of the text read so far (CR LF, CR and LF each end one).
    std::uint64_t Line() const { return m_line; }

private:
    enum class State {
        Data,
        Reference,
        TagOpen,
        EndTagOpen,
        TagName,
        BeforeAttributeName,
        AttributeName,
        AfterAttributeName,
        BeforeAttributeValue,
        AttributeValueDoubleQuoted,
        AttributeValueSingleQuoted,
        AttributeValueUnquoted,
        AfterAttributeValueQuoted,
        SelfClosingStartTag,
        MarkupDeclarationOpen,
        MarkupDeclarationDash,
        CommentStart,
        CommentStartDash,
        Comment,
        CommentEndDash,
        CommentEnd,
        CommentEndBang,
        BogusComment,
        RawText,
        RawTextLessThan,
        RawTextEndTagName,
        PlainText,
    };
    // What the text after a start tag is.
    enum class Content { Markup, Rcdata, HiddenRawText, ShownRawText };

    void Step(char16_t c, bool& consumed);
    void CountLine(char16_t c);
    void StartTag(bool isEndTag);
    void StartAttribute();
    void EndAttributeName();
    void AppendToName(std::u16string& name, char16_t c);
    void AppendToValue(char16_t c);
    void EmitTag();
    void StartReference(State returnTo, bool inAttribute);
    void EndReference();
    void EmitText(std::u16string_view text);
    void EmitPendingRawText();

    HtmlHandler& m_handler;
    State m_state = State::Data;
    Content m_content = Content::Markup;
    std::uint64_t m_line = 1;
    bool m_afterCarriageReturn = false;

    HtmlTag m_tag;
    bool m_attributeKept = false;  // the attribute being read is stored

    CharacterReference m_reference;
    State m_referenceReturn = State::Data;
    std::u16string m_decoded;  // what a reference stands for

    std::u16string m_rawName;     // the element whose end tag ends raw text
    std::u16string m_rawPending;  // "</" and the letters that may yet be its end tag
};

}  // namespace courseview
