#include "CatalogueReport.h"

#include <algorithm>

#include "OrderedPieces.h"
#include "ReportText.h"

namespace courseview {

namespace {

// The tree in the order it is printed, each node with its depth: any run of
// it can then be printed on its own. Built without recursion, so a package
// nested thousands of folders deep cannot exhaust the call stack.
struct PrintOrder {
    std::vector<std::uint32_t> positions;  // a catalogue's entry indices are 32-bit too
    std::vector<std::uint32_t> depths;
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
        order.positions.push_back(static_cast<std::uint32_t>(next.position));
        order.depths.push_back(static_cast<std::uint32_t>(next.depth));
        const auto& children = nodes[next.position].children;
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            stack.push_back({*child, next.depth + 1});
    }
    return order;
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
// while, few enough that the pieces in memory stay well under a megabyte.
constexpr std::size_t ItemsPerPiece = 1024;

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
        out += '"';
        AppendDisplayCaption(out, node.caption);
        out += "\"\n";
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
