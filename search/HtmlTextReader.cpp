#include "HtmlTextReader.h"

#include "AsciiCharacters.h"

namespace courseview {

namespace {

bool IsAsciiAlpha(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

}  // namespace

const std::u16string* HtmlTag::Attribute(std::u16string_view wanted) const {
    for (const HtmlAttribute& attribute : attributes) {
        if (attribute.name == wanted) return &attribute.value;
    }
    return nullptr;
}

void HtmlTextReader::CountLine(char16_t c) {
    if (c == u'\n') {
        if (!m_afterCarriageReturn) ++m_line;
        m_afterCarriageReturn = false;
    } else {
        m_afterCarriageReturn = c == u'\r';
        if (m_afterCarriageReturn) ++m_line;
    }
}

void HtmlTextReader::EmitText(std::u16string_view text) {
    if (!text.empty()) m_handler.Text(text);
}

void HtmlTextReader::Feed(std::u16string_view text) {
    std::size_t i = 0;
    const std::size_t size = text.size();
    while (i < size) {
        // The states a page spends nearly all its characters in go through
        // runs at once; the rest one character at a time.
        if (m_state == State::Data || m_state == State::PlainText ||
            (m_state == State::RawText && m_content != Content::HiddenRawText)) {
            const bool references = m_state == State::Data || m_content == Content::Rcdata;
            const bool tags = m_state != State::PlainText;
            const std::size_t start = i;
            while (i < size) {
                const char16_t c = text[i];
                if ((c == u'<' && tags) || (c == u'&' && references)) break;
                CountLine(c);
                ++i;
            }
            EmitText(text.substr(start, i - start));
            if (i == size) break;
        } else if (m_state == State::RawText || m_state == State::Comment ||
                   m_state == State::BogusComment) {
            const char16_t stop = m_state == State::RawText   ? u'<'
                                  : m_state == State::Comment ? u'-'
                                                              : u'>';
            while (i < size && text[i] != stop) CountLine(text[i++]);
            if (i == size) break;
        }
        bool consumed = false;
        Step(text[i], consumed);
        if (consumed) CountLine(text[i++]);
    }
}

void HtmlTextReader::StartTag(bool isEndTag) {
    m_tag.name.clear();
    m_tag.attributes.clear();
    m_tag.isEndTag = isEndTag;
    m_tag.selfClosing = false;
}

void HtmlTextReader::AppendToName(std::u16string& name, char16_t c) {
    if (name.size() < MaximumNameLength) name.push_back(AsciiLower(c));
}

void HtmlTextReader::StartAttribute() {
    m_attributeKept = m_tag.attributes.size() < MaximumAttributes;
    if (m_attributeKept) m_tag.attributes.emplace_back().line = m_line;
}

void HtmlTextReader::EndAttributeName() {
    if (!m_attributeKept) return;
    const std::u16string& name = m_tag.attributes.back().name;
    for (std::size_t k = 0; k + 1 < m_tag.attributes.size(); ++k) {
        if (m_tag.attributes[k].name == name) {
            // A repeated attribute is dropped; the first one counts.
            m_tag.attributes.pop_back();
            m_attributeKept = false;
            return;
        }
    }
}

void HtmlTextReader::AppendToValue(char16_t c) {
    if (!m_attributeKept) return;
    HtmlAttribute& attribute = m_tag.attributes.back();
    if (attribute.value.size() < MaximumValueLength) {
        attribute.value.push_back(c);
    } else {
        attribute.valueCut = true;
    }
}

void HtmlTextReader::EmitTag() {
    m_state = State::Data;
    if (!m_tag.isEndTag) {
        const std::u16string& name = m_tag.name;
        if (name == u"script" || name == u"style" || name == u"noscript" || name == u"iframe" ||
            name == u"noembed" || name == u"noframes") {
            m_content = Content::HiddenRawText;
        } else if (name == u"title" || name == u"textarea") {
            m_content = Content::Rcdata;
        } else if (name == u"xmp") {
            m_content = Content::ShownRawText;
        } else if (name == u"plaintext") {
            m_state = State::PlainText;
        }
        if (m_content != Content::Markup) {
            m_state = State::RawText;
            m_rawName = name;
        }
    }
    m_handler.Tag(m_tag);
}

void HtmlTextReader::StartReference(State returnTo, bool inAttribute) {
    m_reference = CharacterReference(inAttribute);
    m_referenceReturn = returnTo;
    m_state = State::Reference;
}

void HtmlTextReader::EndReference() {
    m_decoded.clear();
    m_reference.Finish(m_decoded);
    m_state = m_referenceReturn;
    if (m_state == State::Data || m_state == State::RawText) {
        EmitText(m_decoded);
    } else {
        for (char16_t c : m_decoded) AppendToValue(c);
    }
}

void HtmlTextReader::EmitPendingRawText() {
    if (m_content != Content::HiddenRawText) EmitText(m_rawPending);
    m_rawPending.clear();
}

// One character in the current state. `consumed` false: the character is
// read again in the state it left.
void HtmlTextReader::Step(char16_t c, bool& consumed) {
    consumed = true;
    switch (m_state) {
        case State::Data:
            if (c == u'<') {
                StartTag(false);
                m_tag.line = m_line;
                m_state = State::TagOpen;
            } else {
                StartReference(State::Data, false);
            }
            return;
        case State::PlainText:
            EmitText(std::u16string_view(&c, 1));
            return;
        case State::Reference:
            if (!m_reference.Take(c)) {
                consumed = false;
                EndReference();
            } else if (m_reference.Done()) {
                EndReference();
            }
            return;
        case State::TagOpen:
            if (c == u'!') {
                m_state = State::MarkupDeclarationOpen;
            } else if (c == u'/') {
                m_state = State::EndTagOpen;
            } else if (IsAsciiAlpha(c)) {
                consumed = false;
                m_state = State::TagName;
            } else if (c == u'?') {
                consumed = false;
                m_state = State::BogusComment;
            } else {
                consumed = false;
                m_state = State::Data;
                EmitText(u"<");
            }
            return;
        case State::EndTagOpen:
            if (IsAsciiAlpha(c)) {
                consumed = false;
                m_tag.isEndTag = true;
                m_state = State::TagName;
            } else if (c == u'>') {
                m_state = State::Data;
            } else {
                consumed = false;
                m_state = State::BogusComment;
            }
            return;
        case State::TagName:
            if (IsSpace(c)) {
                m_state = State::BeforeAttributeName;
            } else if (c == u'/') {
                m_state = State::SelfClosingStartTag;
            } else if (c == u'>') {
                EmitTag();
            } else {
                AppendToName(m_tag.name, c);
            }
            return;
        case State::BeforeAttributeName:
            if (IsSpace(c)) return;
            if (c == u'/' || c == u'>') {
                consumed = false;
                m_state = State::AfterAttributeName;
                return;
            }
            StartAttribute();
            if (c == u'=') {
                if (m_attributeKept) m_tag.attributes.back().name = u"=";
            } else {
                consumed = false;
            }
            m_state = State::AttributeName;
            return;
        case State::AttributeName:
            if (IsSpace(c) || c == u'/' || c == u'>') {
                consumed = false;
                EndAttributeName();
                m_state = State::AfterAttributeName;
            } else if (c == u'=') {
                EndAttributeName();
                m_state = State::BeforeAttributeValue;
            } else if (m_attributeKept) {
                AppendToName(m_tag.attributes.back().name, c);
            }
            return;
        case State::AfterAttributeName:
            if (IsSpace(c)) return;
            if (c == u'/') {
                m_state = State::SelfClosingStartTag;
            } else if (c == u'=') {
                m_state = State::BeforeAttributeValue;
            } else if (c == u'>') {
                EmitTag();
            } else {
                consumed = false;
                StartAttribute();
                m_state = State::AttributeName;
            }
            return;
        case State::BeforeAttributeValue:
            if (IsSpace(c)) return;
            if (c == u'"') {
                m_state = State::AttributeValueDoubleQuoted;
            } else if (c == u'\'') {
                m_state = State::AttributeValueSingleQuoted;
            } else if (c == u'>') {
                EmitTag();
            } else {
                consumed = false;
                m_state = State::AttributeValueUnquoted;
            }
            return;
        case State::AttributeValueDoubleQuoted:
        case State::AttributeValueSingleQuoted: {
            const char16_t quote = m_state == State::AttributeValueDoubleQuoted ? u'"' : u'\'';
            if (c == quote) {
                m_state = State::AfterAttributeValueQuoted;
            } else if (c == u'&') {
                StartReference(m_state, true);
            } else {
                AppendToValue(c);
            }
            return;
        }
        case State::AttributeValueUnquoted:
            if (IsSpace(c)) {
                m_state = State::BeforeAttributeName;
            } else if (c == u'&') {
                StartReference(m_state, true);
            } else if (c == u'>') {
                EmitTag();
            } else {
                AppendToValue(c);
            }
            return;
        case State::AfterAttributeValueQuoted:
            if (IsSpace(c)) {
                m_state = State::BeforeAttributeName;
            } else if (c == u'/') {
                m_state = State::SelfClosingStartTag;
            } else if (c == u'>') {
                EmitTag();
            } else {
                consumed = false;
                m_state = State::BeforeAttributeName;
            }
            return;
        case State::SelfClosingStartTag:
            if (c == u'>') {
                m_tag.selfClosing = true;
                EmitTag();
            } else {
                consumed = false;
                m_state = State::BeforeAttributeName;
            }
            return;
        case State::MarkupDeclarationOpen:
            // "<!--" opens a comment; a doctype, "<![CDATA[" and anything else
            // in a page end at the next ">".
            if (c == u'-') {
                m_state = State::MarkupDeclarationDash;
            } else {
                consumed = false;
                m_state = State::BogusComment;
            }
            return;
        case State::MarkupDeclarationDash:
            if (c == u'-') {
                m_state = State::CommentStart;
            } else {
                consumed = false;
                m_state = State::BogusComment;
            }
            return;
        case State::CommentStart:
        case State::CommentStartDash:
            if (c == u'>') {
                m_state = State::Data;  // "<!-->" and "<!--->" end at once
            } else if (c == u'-') {
                m_state =
                    m_state == State::CommentStart ? State::CommentStartDash : State::CommentEnd;
            } else {
                consumed = false;
                m_state = State::Comment;
            }
            return;
        case State::Comment:
            if (c == u'-') m_state = State::CommentEndDash;
            return;
        case State::CommentEndDash:
            m_state = c == u'-' ? State::CommentEnd : State::Comment;
            if (c != u'-') consumed = false;
            return;
        case State::CommentEnd:
            if (c == u'>') {
                m_state = State::Data;
            } else if (c == u'!') {
                m_state = State::CommentEndBang;
            } else if (c != u'-') {
                consumed = false;
                m_state = State::Comment;
            }
            return;
        case State::CommentEndBang:
            if (c == u'>') {
                m_state = State::Data;
            } else if (c == u'-') {
                m_state = State::CommentEndDash;
            } else {
                consumed = false;
                m_state = State::Comment;
            }
            return;
        case State::BogusComment:
            if (c == u'>') m_state = State::Data;
            return;
        case State::RawText:
            if (c == u'<') {
                m_tag.line = m_line;
                m_state = State::RawTextLessThan;
            } else {
                StartReference(State::RawText, false);  // only RCDATA gets here with "&"
            }
            return;
        case State::RawTextLessThan:
            if (c == u'/') {
                m_rawPending = u"</";
                m_state = State::RawTextEndTagName;
            } else {
                consumed = false;
                m_state = State::RawText;
                if (m_content != Content::HiddenRawText) EmitText(u"<");
            }
            return;
        case State::RawTextEndTagName: {
            const std::size_t matched = m_rawPending.size() - 2;
            if (matched < m_rawName.size() && IsAsciiAlpha(c) &&
                AsciiLower(c) == m_rawName[matched]) {
                m_rawPending.push_back(c);
                return;
            }
            if (matched == m_rawName.size() && (IsSpace(c) || c == u'/' || c == u'>')) {
                // The element's own end tag: what follows is markup again.
                m_rawPending.clear();
                m_content = Content::Markup;
                const std::uint64_t line = m_tag.line;
                StartTag(true);
                m_tag.line = line;
                m_tag.name = m_rawName;
                m_state = State::TagName;
                consumed = false;
                return;
            }
            consumed = false;
            m_state = State::RawText;
            EmitPendingRawText();
            return;
        }
    }
}

void HtmlTextReader::Finish() {
    switch (m_state) {
        case State::Reference:
            EndReference();  // inside an attribute, its tag is dropped with it
            break;
        case State::TagOpen:
            EmitText(u"<");
            break;
        case State::EndTagOpen:
            EmitText(u"</");
            break;
        case State::RawTextLessThan:
            if (m_content != Content::HiddenRawText) EmitText(u"<");
            break;
        case State::RawTextEndTagName:
            EmitPendingRawText();
            break;
        default:
            break;
    }
    m_state = State::Data;
    m_content = Content::Markup;
    m_line = 1;
    m_afterCarriageReturn = false;
    m_rawPending.clear();
}

}  // namespace courseview
