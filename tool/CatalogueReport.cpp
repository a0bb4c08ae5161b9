#include "CatalogueReport.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>

#include "NodeActivation.h"
#include "OrderedPieces.h"
#include "Utf.h"

namespace courseview {

namespace {

// What a JSON string must escape: quote, backslash, control characters and
// DEL; 0 for a byte that goes out as it is.
constexpr auto JsonEscapes = [] {
    std::array<char, 256> escapes{};
    for (int c = 0; c < 0x20; ++c) escapes[c] = 'u';
    escapes[0x7F] = 'u';
    escapes['"'] = '"';
    escapes['\\'] = '\\';
    escapes['\n'] = 'n';
    escapes['\r'] = 'r';
    escapes['\t'] = 't';
    return escapes;
}();

// Appends well-formed UTF-8 with JSON's escapes, a run of plain bytes at a time.
void AppendJsonEscaped(std::string& out, std::string_view utf8) {
    static constexpr char Hex[] = "0123456789abcdef";
    std::size_t plain = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        const char escape = JsonEscapes[byte];
        if (escape == 0) continue;
        out.append(utf8, plain, i - plain);
        plain = i + 1;
        if (escape == 'u') {
            const char escaped[6] = {'\\', 'u', '0', '0', Hex[byte >> 4], Hex[byte & 15]};
            out.append(escaped, 6);
        } else {
            const char escaped[2] = {'\\', escape};
            out.append(escaped, 2);
        }
    }
    out.append(utf8, plain);
}

// Calls `append` for each well-formed run of `bytes` and for U+FFFD in place
// of each malformed sequence: what decoding and encoding back would give.
template <typename Append>
void ForEachRepairedRun(std::string_view bytes, Append append) {
    while (!bytes.empty()) {
        const Utf8Run run = NextUtf8Run(bytes, true);
        append(bytes.substr(0, run.wellFormed));
        if (run.malformed == 0) break;
        append("\xEF\xBF\xBD");
        bytes.remove_prefix(run.wellFormed + run.malformed);
    }
}

// JSON string content for bytes that may not be UTF-8: what decoding and
// encoding back would give, escaped.
void AppendJsonText(std::string& out, std::string_view bytes) {
    ForEachRepairedRun(bytes, [&out](std::string_view run) { AppendJsonEscaped(out, run); });
}

// The same as a JSON string literal.
void AppendJsonString(std::string& out, std::string_view bytes) {
    out += '"';
    AppendJsonText(out, bytes);
    out += '"';
}

// The same, for a caption: UTF-16 that may hold a lone surrogate. Most need
// no escape and are encoded straight into `out`.
void AppendJsonString(std::string& out, std::u16string_view caption, std::string& scratch) {
    out += '"';
    const bool plain = std::none_of(caption.begin(), caption.end(), [](char16_t unit) {
        return unit < 0x80 && JsonEscapes[unit] != 0;
    });
    if (plain) {
        EncodeUtf8Prefix(caption, true, out);
    } else {
        scratch.clear();
        EncodeUtf8Prefix(caption, true, scratch);
        AppendJsonEscaped(out, scratch);
    }
    out += '"';
}

// Paths as JSON strings and as file:// URIs. A catalogue lists a folder's
// entries one after another, so each path's folder is usually the one before
// it: its converted form is kept and only the name is converted anew. Cut at
// a "/", the conversions of the parts join up to that of the whole, since no
// UTF-8 sequence spans an ASCII byte.
class PathConverter {
public:
    explicit PathConverter(std::string base) : m_base(std::move(base)) {}

    void AppendJsonString(std::string& out, std::string_view path) {
        const std::size_t cut = path.rfind('/') + 1;  // 0 without a "/"
        if (path.substr(0, cut) != m_jsonFolder) {
            m_jsonFolder.assign(path, 0, cut);
            m_jsonFolderText.clear();
            AppendJsonText(m_jsonFolderText, m_jsonFolder);
        }
        out += '"';
        out += m_jsonFolderText;
        AppendJsonText(out, path.substr(cut));
        out += '"';
    }

    void AppendUri(std::string& out, std::string_view path) {
        const std::size_t cut = path.rfind('/') + 1;
        if (!m_uriFolderKnown || path.substr(0, cut) != m_uriFolder) {
            m_uriFolderKnown = true;
            m_uriFolder.assign(path, 0, cut);
            // A relative path is taken from the working folder.
            const bool relative = path.empty() || path.front() != '/';
            m_uriFolderText = "file://";
            AppendUriPath(m_uriFolderText, relative ? m_base + m_uriFolder : m_uriFolder);
        }
        out += '"';
        out += m_uriFolderText;
        AppendUriPath(out, path.substr(cut));
        out += '"';
    }

private:
    std::string m_base;
    std::string m_jsonFolder;
    std::string m_jsonFolderText;
    bool m_uriFolderKnown = false;  // "" is a folder too: the working folder's
    std::string m_uriFolder;
    std::string m_uriFolderText;
};

void AppendRepaired(std::string& out, std::string_view bytes) {
    ForEachRepairedRun(bytes, [&out](std::string_view run) { out += run; });
}

void AppendNumber(std::string& out, std::int64_t number) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, end);
}

// The tree in the order it is printed, each node with its depth: any run of
// it can then be printed on its own. Built without recursion, so a package
// nested thousands of folders deep cannot exhaust the call stack.
struct PrintOrder {
    std::vector<std::size_t> positions;
    std::vector<std::size_t> depths;
};

PrintOrder PrintOrderOf(const MemoryTree& tree) {
    PrintOrder order;
    const auto& nodes = tree.Nodes();
    order.positions.reserve(nodes.size());
    order.depths.reserve(nodes.size());
    struct Pending {
        std::size_t position;
        std::size_t depth;
    };
    std::vector<Pending> stack;
    for (auto it = tree.TopLevel().rbegin(); it != tree.TopLevel().rend(); ++it)
        stack.push_back({*it, 0});
    while (!stack.empty()) {
        const Pending next = stack.back();
        stack.pop_back();
        order.positions.push_back(next.position);
        order.depths.push_back(next.depth);
        const auto& children = nodes[next.position].children;
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            stack.push_back({*child, next.depth + 1});
    }
    return order;
}

std::string DisplayCaption(std::u16string_view caption) {
    std::string text;
    for (char c : Utf16ToUtf8(caption)) {
        if (c == '\n') {
            text += "\\n";
        } else if (c == '\r') {
            text += "\\r";
        } else if (c == '\t') {
            text += "\\t";
        } else {
            text.push_back(c);
        }
    }
    return text;
}

// Where relative paths are taken from, for their URIs: the working folder,
// as std::filesystem::absolute would take it, asked once.
std::string UriBase(const std::vector<std::string>& paths) {
    for (const auto& path : paths) {
        if (!path.empty() && path.front() != '/') {
            std::error_code ignored;
            return std::filesystem::current_path(ignored).native() + "/";
        }
    }
    return {};
}

// A report cut into pieces: runs of one section's items, each printable on
// its own, in the order they are printed.
class PieceList {
public:
    struct Piece {
        int section;
        std::size_t begin;
        std::size_t end;
    };

    // Adds the section's `count` items as runs of at most `run`; an empty
    // section still gets a piece, for its opening and closing text.
    void AddSection(int section, std::size_t count, std::size_t run) {
        std::size_t begin = 0;
        do {
            const std::size_t end = std::min(count, begin + run);
            m_pieces.push_back({section, begin, end});
            begin = end;
        } while (begin < count);
    }

    std::size_t Count() const { return m_pieces.size(); }
    const Piece& operator[](std::size_t i) const { return m_pieces[i]; }

private:
    std::vector<Piece> m_pieces;
};

// Items a piece of the report holds: enough that a piece is worth a thread's
// while, few enough that a handful of pieces in memory stay small.
constexpr std::size_t ItemsPerPiece = 4096;

class JsonReport {
public:
    enum Section { Nodes, Paths, Uris, Notes };

    explicit JsonReport(const CatalogueReport& report)
        : m_report(report),
          m_order(PrintOrderOf(report.tree)),
          m_uriBase(UriBase(report.pagePaths)) {
        m_pieces.AddSection(Nodes, m_order.positions.size(), ItemsPerPiece);
        m_pieces.AddSection(Paths, report.pagePaths.size(), ItemsPerPiece);
        m_pieces.AddSection(Uris, report.pagePaths.size(), ItemsPerPiece);
        m_pieces.AddSection(Notes, report.notes.size(), ItemsPerPiece);
    }

    std::size_t PieceCount() const { return m_pieces.Count(); }

    void Format(std::size_t index, std::string& out) const {
        const PieceList::Piece& piece = m_pieces[index];
        PathConverter paths(m_uriBase);
        std::string scratch;
        switch (piece.section) {
            case Nodes:
                if (piece.begin == 0) out += "{\"nodes\": [";
                for (std::size_t i = piece.begin; i < piece.end; ++i) AppendNode(out, i, scratch);
                if (piece.end == m_order.positions.size() && piece.end > 0)
                    CloseNodes(out, m_order.depths.back() + 1);
                return;
            case Paths:
                if (piece.begin == 0) out += "], \"paths\": [";
                for (std::size_t i = piece.begin; i < piece.end; ++i) {
                    if (i > 0) out += ", ";
                    paths.AppendJsonString(out, m_report.pagePaths[i]);
                }
                return;
            case Uris:
                // Only the unreserved set, "/" and "%" are left in a URI: nothing to escape.
                if (piece.begin == 0) out += "], \"uris\": [";
                for (std::size_t i = piece.begin; i < piece.end; ++i) {
                    if (i > 0) out += ", ";
                    paths.AppendUri(out, m_report.pagePaths[i]);
                }
                return;
            case Notes:
                if (piece.begin == 0) out += "], \"notes\": [";
                for (std::size_t i = piece.begin; i < piece.end; ++i) {
                    if (i > 0) out += ", ";
                    AppendNote(out, m_report.notes[i], paths);
                }
                if (piece.end == m_report.notes.size()) {
                    out += "], \"codePage\": ";
                    AppendJsonString(out, m_report.codePage);
                    out += "}\n";
                }
                return;
        }
    }

private:
    static void CloseNodes(std::string& out, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) out += "]}";
    }

    // A node opens its children's list; the lists of the nodes before it
    // that it is not inside close first.
    void AppendNode(std::string& out, std::size_t i, std::string& scratch) const {
        const std::size_t depth = m_order.depths[i];
        if (i > 0) {
            const std::size_t before = m_order.depths[i - 1];
            if (depth <= before) {
                CloseNodes(out, before - depth + 1);
                out += ", ";
            }
        }
        const auto& node = m_report.tree.Nodes()[m_order.positions[i]];
        out += "{\"caption\": ";
        AppendJsonString(out, node.caption, scratch);
        out += ", \"entry\": ";
        if (node.entryIndex) {
            AppendNumber(out, *node.entryIndex);
        } else {
            out += "null";
        }
        out += ", \"children\": [";
    }

    static void AppendNote(std::string& out, const ScanNote& note, PathConverter& paths) {
        out += "{\"path\": ";
        paths.AppendJsonString(out, note.path);
        out += ", \"reason\": ";
        AppendJsonString(out, OmissionReasonName(note.reason));
        if (note.reason == OmissionReason::ListingEnded) {
            out += ", \"error\": ";
            AppendJsonString(out, note.error);
            out += ", \"lost\": [";
            for (std::size_t i = 0; i < note.lostEntries.size(); ++i) {
                if (i > 0) out += ", ";
                AppendJsonString(out, note.lostEntries[i]);
            }
            out += "]";
        }
        out += "}";
    }

    const CatalogueReport& m_report;
    const PrintOrder m_order;
    const std::string m_uriBase;
    PieceList m_pieces;
};

class TextReport {
public:
    enum Section { Lines, Notes };

    explicit TextReport(const CatalogueReport& report)
        : m_report(report), m_order(PrintOrderOf(report.tree)) {
        m_pieces.AddSection(Lines, m_order.positions.size(), ItemsPerPiece);
        m_pieces.AddSection(Notes, report.notes.size(), ItemsPerPiece);
    }

    std::size_t PieceCount() const { return m_pieces.Count(); }

    void Format(std::size_t index, std::string& out) const {
        const PieceList::Piece& piece = m_pieces[index];
        if (piece.section == Lines) {
            for (std::size_t i = piece.begin; i < piece.end; ++i) AppendLine(out, i);
            return;
        }
        if (piece.begin == 0) {
            out += "\n" + std::to_string(m_report.tree.Nodes().size()) + " nodes, " +
                   std::to_string(m_report.pagePaths.size()) + " openable entries\n";
            if (!m_report.notes.empty()) out += "\nLeft out:\n";
        }
        for (std::size_t i = piece.begin; i < piece.end; ++i) AppendNote(out, m_report.notes[i]);
        if (piece.end == m_report.notes.size()) out += "\ncode page: " + m_report.codePage + "\n";
    }

private:
    // Indented by depth, with the entry index of an openable node.
    void AppendLine(std::string& out, std::size_t i) const {
        const auto& node = m_report.tree.Nodes()[m_order.positions[i]];
        out.append(m_order.depths[i] * 4, ' ');
        if (node.entryIndex) {
            out += "[";
            AppendNumber(out, *node.entryIndex);
            out += "] ";
        } else {
            out += "[-] ";
        }
        out += "\"" + DisplayCaption(node.caption) + "\"\n";
    }

    static void AppendNote(std::string& out, const ScanNote& note) {
        out += "  ";
        AppendRepaired(out, note.path);
        out += ": ";
        out += OmissionReasonName(note.reason);
        if (note.reason == OmissionReason::ListingEnded) {
            out += " (" + note.error + ")";
            if (!note.lostEntries.empty()) {
                out += "; lost with it:";
                for (const auto& lost : note.lostEntries) {
                    out += " \"";
                    AppendRepaired(out, lost);
                    out += "\"";
                }
            }
        }
        out += "\n";
    }

    const CatalogueReport& m_report;
    const PrintOrder m_order;
    PieceList m_pieces;
};

template <typename Report>
void WriteReport(const CatalogueReport& report, const ReportSink& sink) {
    const Report pieces(report);
    FormatPiecesInOrder(
        pieces.PieceCount(),
        [&pieces](std::size_t index, std::string& out) { pieces.Format(index, out); }, sink);
}

ReportSink StreamSink(std::ostream& stream) {
    return [&stream](std::string_view piece) {
        stream.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    };
}

}  // namespace

std::string JsonString(std::string_view utf8) {
    std::string literal;
    AppendJsonString(literal, utf8);
    return literal;
}

void WriteCatalogueJson(const ReportSink& sink, const CatalogueReport& report) {
    WriteReport<JsonReport>(report, sink);
}

void WriteCatalogueText(const ReportSink& sink, const CatalogueReport& report) {
    WriteReport<TextReport>(report, sink);
}

void WriteCatalogueJson(std::ostream& out, const CatalogueReport& report) {
    WriteCatalogueJson(StreamSink(out), report);
}

void WriteCatalogueText(std::ostream& out, const CatalogueReport& report) {
    WriteCatalogueText(StreamSink(out), report);
}

}  // namespace courseview
