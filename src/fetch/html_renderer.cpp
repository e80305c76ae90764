#include "fetch/html_renderer.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include <QByteArray>

#include <gumbo.h>

#include "fetch/page_tables.h"

namespace kazeyomi {
namespace {

// The parser makes some 300,000 small allocations for a trifecta page. Handing them out
// of blocks kept from page to page saves a fifth of the parse time, and the whole tree is
// dropped at once instead of node by node. Fresh blocks would cost a page fault per 4 KB,
// but each arena keeping what its largest page took (3 MB for a trifecta page) would hold
// it all day: an arena keeps 1 MB, what most pages need, in small blocks so that a larger
// page's last block is not mostly empty.
class ParseArena {
public:
    static void* allocate(void* arena, size_t size) { return static_cast<ParseArena*>(arena)->allocate(size); }
    static void deallocate(void* arena, void* p) { static_cast<ParseArena*>(arena)->deallocate(p); }

    // Gives every allocation back, keeping enough blocks for an ordinary page.
    void reset()
    {
        if (m_blocks.size() > kKeptBlocks)
            m_blocks.resize(kKeptBlocks);
        m_large.clear();
        m_used = 0;
        m_next = m_last = nullptr;
        m_left = 0;
    }

private:
    static constexpr size_t kBlockSize = size_t(256) << 10;
    static constexpr size_t kKeptBlocks = 4;
    static constexpr size_t kAlign = 16;

    void* allocate(size_t size)
    {
        size = std::max<size_t>((size + kAlign - 1) & ~(kAlign - 1), kAlign);
        if (size > kBlockSize / 4) {
            m_large.emplace_back(new std::byte[size]);
            return m_large.back().get();
        }
        if (size > m_left) {
            if (m_used == m_blocks.size())
                m_blocks.emplace_back(new std::byte[kBlockSize]);
            m_next = m_blocks[m_used++].get();
            m_left = kBlockSize;
        }
        m_last = m_next;
        m_next += size;
        m_left -= size;
        return m_last;
    }

    // The parser often frees the buffer it allocated last (growing a string or a list);
    // that space is reused, anything else waits for reset().
    void deallocate(void* p)
    {
        if (p == nullptr || p != m_last)
            return;
        m_left += size_t(m_next - m_last);
        m_next = m_last;
        m_last = nullptr;
    }

    std::vector<std::unique_ptr<std::byte[]>> m_blocks;
    std::vector<std::unique_ptr<std::byte[]>> m_large;
    size_t m_used = 0;
    std::byte* m_next = nullptr;
    std::byte* m_last = nullptr;
    size_t m_left = 0;
};

// The arenas lent to the rendering threads, one a page: as many as pages were ever rendered at
// once. Not thread_local: MinGW frees a thread's storage before the destructors of its
// thread_local objects run, so an arena ending with its thread corrupted the heap.
class LentArena {
public:
    LentArena()
    {
        Shelf& shelf = theShelf();
        const std::lock_guard lock(shelf.mutex);
        if (!shelf.arenas.empty()) {
            m_arena = std::move(shelf.arenas.back());
            shelf.arenas.pop_back();
        } else {
            m_arena = std::make_unique<ParseArena>();
        }
    }
    ~LentArena()
    {
        m_arena->reset();
        Shelf& shelf = theShelf();
        const std::lock_guard lock(shelf.mutex);
        shelf.arenas.push_back(std::move(m_arena));
    }
    LentArena(const LentArena&) = delete;
    LentArena& operator=(const LentArena&) = delete;
    ParseArena& operator*() const { return *m_arena; }

private:
    struct Shelf {
        std::mutex mutex;
        std::vector<std::unique_ptr<ParseArena>> arenas;
    };
    static Shelf& theShelf()
    {
        static Shelf shelf;
        return shelf;
    }

    std::unique_ptr<ParseArena> m_arena;
};

#if defined(__GNUC__)
#define KAZEYOMI_ALWAYS_INLINE [[gnu::always_inline]] inline
#define KAZEYOMI_NOINLINE [[gnu::noinline]]
#else
#define KAZEYOMI_ALWAYS_INLINE inline
#define KAZEYOMI_NOINLINE
#endif

// The markup as it is written: a buffer grown ahead and filled in place. Most pieces are a tag
// name or a short text, written here in a few instructions rather than a library call each.
class MarkupOut {
public:
    explicit MarkupOut(size_t expected) { m_text.resize(std::max<size_t>(expected, 64)); }

    KAZEYOMI_ALWAYS_INLINE void push_back(char c)
    {
        if (m_size == m_text.size())
            grow(1);
        m_text[m_size++] = c;
    }
    KAZEYOMI_ALWAYS_INLINE void append(std::string_view piece)
    {
        if (m_text.size() - m_size < piece.size())
            grow(piece.size());
        char* to = m_text.data() + m_size;
        if (piece.size() <= 16) {
            for (char c : piece)
                *to++ = c;
        } else {
            std::memcpy(to, piece.data(), piece.size());
        }
        m_size += piece.size();
    }
    std::string take()
    {
        m_text.resize(m_size);
        return std::move(m_text);
    }

private:
    KAZEYOMI_NOINLINE void grow(size_t more) { m_text.resize(std::max(m_text.size() * 2, m_size + more)); }

    std::string m_text;
    size_t m_size = 0;
};

struct TagInfo {
    std::string lower;
    std::string upper;
    bool isVoid = false;  // written without an end tag or children
    bool rawText = false; // its text children are written unescaped
};

const std::vector<TagInfo>& tagTable()
{
    static const std::vector<TagInfo> table = [] {
        std::vector<TagInfo> t(GUMBO_TAG_UNKNOWN);
        for (int i = 0; i < GUMBO_TAG_UNKNOWN; ++i) {
            t[i].lower = gumbo_normalized_tagname(GumboTag(i));
            t[i].upper = t[i].lower;
            for (char& c : t[i].upper)
                c = (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
        }
        for (GumboTag tag :
             {GUMBO_TAG_AREA, GUMBO_TAG_BASE, GUMBO_TAG_BASEFONT, GUMBO_TAG_BGSOUND, GUMBO_TAG_BR, GUMBO_TAG_COL,
              GUMBO_TAG_EMBED, GUMBO_TAG_FRAME, GUMBO_TAG_HR, GUMBO_TAG_IMG, GUMBO_TAG_INPUT, GUMBO_TAG_KEYGEN,
              GUMBO_TAG_LINK, GUMBO_TAG_META, GUMBO_TAG_PARAM, GUMBO_TAG_SOURCE, GUMBO_TAG_TRACK, GUMBO_TAG_WBR})
            t[tag].isVoid = true;
        // A browser runs scripts and so reads noscript as plain text. The parser here reads
        // it with scripting off and may build elements inside; those are written as built,
        // only its text goes out unescaped.
        for (GumboTag tag : {GUMBO_TAG_STYLE, GUMBO_TAG_SCRIPT, GUMBO_TAG_XMP, GUMBO_TAG_IFRAME, GUMBO_TAG_NOEMBED,
                             GUMBO_TAG_NOFRAMES, GUMBO_TAG_PLAINTEXT, GUMBO_TAG_NOSCRIPT})
            t[tag].rawText = true;
        return t;
    }();
    return table;
}

// Which bytes need a look when escaping; 0xC2 starts U+00A0 in UTF-8.
using ByteSet = std::array<bool, 256>;

constexpr ByteSet byteSet(std::string_view bytes)
{
    ByteSet set{};
    for (char c : bytes)
        set[static_cast<unsigned char>(c)] = true;
    return set;
}

constexpr ByteSet kTextSpecial = byteSet("&<>\xC2");
constexpr ByteSet kAttrSpecial = byteSet("&\"\xC2");
constexpr ByteSet kLegacyAttrSpecial = byteSet("&\"");
constexpr ByteSet kLegacyUnquoted = byteSet("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_.:+/#");

void appendEscaped(MarkupOut& out, std::string_view s, const ByteSet& special)
{
    size_t runStart = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (!special[c])
            continue;
        std::string_view entity;
        size_t length = 1;
        switch (c) {
        case '&':
            entity = "&amp;";
            break;
        case '<':
            entity = "&lt;";
            break;
        case '>':
            entity = "&gt;";
            break;
        case '"':
            entity = "&quot;";
            break;
        default:
            if (i + 1 >= s.size() || static_cast<unsigned char>(s[i + 1]) != 0xA0)
                continue;
            entity = "&nbsp;";
            length = 2;
        }
        out.append(s.substr(runStart, i - runStart));
        out.append(entity);
        i += length - 1;
        runStart = i + 1;
    }
    out.append(s.substr(runStart));
}

// The old browser wrote these attributes with the case of their script property names,
// and the portal's scrapers match them that way.
std::string_view legacyAttributeName(std::string_view lower)
{
    static constexpr std::string_view kMixed[] = {"noWrap",   "colSpan",     "rowSpan",     "vAlign",
                                                  "bgColor",  "cellPadding", "cellSpacing", "borderColor",
                                                  "tabIndex", "maxLength",   "readOnly",    "accessKey"};
    for (std::string_view mixed : kMixed) {
        if (mixed.size() != lower.size())
            continue;
        bool same = true;
        for (size_t i = 0; i < mixed.size() && same; ++i)
            same = (mixed[i] | 0x20) == lower[i];
        if (same)
            return mixed;
    }
    return lower;
}

bool isHtml(const GumboNode* node)
{
    return node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML;
}

class Serializer {
public:
    Serializer(MarkupOut& out, MarkupStyle style) : m_out(out), m_legacy(style == MarkupStyle::Legacy) {}

    // Walks with its own stack: a hostile page may nest elements deeper than the call stack allows.
    void writeChildren(const GumboNode* parent)
    {
        struct Frame {
            const GumboNode* node;
            unsigned next;
        };
        std::vector<Frame> stack{{parent, 0}};
        while (!stack.empty()) {
            const GumboNode* node = stack.back().node;
            const GumboVector& children = node->v.element.children;
            if (stack.back().next == children.length) {
                if (stack.size() > 1)
                    writeEndTag(node);
                stack.pop_back();
                continue;
            }
            const auto* child = static_cast<const GumboNode*>(children.data[stack.back().next++]);
            switch (child->type) {
            case GUMBO_NODE_ELEMENT:
            case GUMBO_NODE_TEMPLATE:
                writeStartTag(child);
                if (!(isHtml(child) && child->v.element.tag < GUMBO_TAG_UNKNOWN && m_tags[child->v.element.tag].isVoid))
                    stack.push_back({child, 0});
                break;
            case GUMBO_NODE_TEXT:
            case GUMBO_NODE_WHITESPACE:
            case GUMBO_NODE_CDATA:
                if (isHtml(node) && node->v.element.tag < GUMBO_TAG_UNKNOWN && m_tags[node->v.element.tag].rawText)
                    m_out.append(child->v.text.text);
                else
                    appendEscaped(m_out, child->v.text.text, kTextSpecial);
                break;
            case GUMBO_NODE_COMMENT:
                m_out.append("<!--");
                m_out.append(child->v.text.text);
                m_out.append("-->");
                break;
            case GUMBO_NODE_DOCUMENT:
                break;
            }
        }
    }

private:
    void writeName(const GumboNode* node)
    {
        const GumboElement& element = node->v.element;
        if (element.tag < GUMBO_TAG_UNKNOWN && element.tag_namespace != GUMBO_NAMESPACE_SVG) {
            m_out.append(m_legacy ? m_tags[element.tag].upper : m_tags[element.tag].lower);
            return;
        }
        GumboStringPiece name = element.original_tag;
        gumbo_tag_from_original_text(&name);
        if (!m_legacy && element.tag_namespace == GUMBO_NAMESPACE_SVG) {
            if (const char* svgName = gumbo_normalize_svg_tagname(&name)) {
                m_out.append(svgName);
                return;
            }
        }
        if (name.length == 0 && element.tag < GUMBO_TAG_UNKNOWN) {
            m_out.append(m_legacy ? m_tags[element.tag].upper : m_tags[element.tag].lower);
            return;
        }
        // The parser folds only ASCII letters in tag names.
        for (size_t i = 0; i < name.length; ++i) {
            const char c = name.data[i];
            if (m_legacy)
                m_out.push_back(c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c);
            else
                m_out.push_back(c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c);
        }
    }

    void writeStartTag(const GumboNode* node)
    {
        m_out.push_back('<');
        writeName(node);
        const GumboVector& attributes = node->v.element.attributes;
        for (unsigned i = 0; i < attributes.length; ++i)
            writeAttribute(*static_cast<const GumboAttribute*>(attributes.data[i]));
        m_out.push_back('>');
    }

    void writeEndTag(const GumboNode* node)
    {
        m_out.append("</");
        writeName(node);
        m_out.push_back('>');
    }

    void writeAttribute(const GumboAttribute& attribute)
    {
        m_out.push_back(' ');
        std::string_view name = attribute.name;
        switch (attribute.attr_namespace) {
        case GUMBO_ATTR_NAMESPACE_XLINK:
            m_out.append("xlink:");
            break;
        case GUMBO_ATTR_NAMESPACE_XML:
            m_out.append("xml:");
            break;
        case GUMBO_ATTR_NAMESPACE_XMLNS:
            if (name != "xmlns")
                m_out.append("xmlns:");
            break;
        case GUMBO_ATTR_NAMESPACE_NONE:
            break;
        }
        const std::string_view value = attribute.value;
        if (!m_legacy) {
            m_out.append(name);
            m_out.append("=\"");
            appendEscaped(m_out, value, kAttrSpecial);
            m_out.push_back('"');
            return;
        }
        // Names in foreign content keep the parser's camel case; the old browser had none.
        m_lowerName.assign(name);
        for (char& c : m_lowerName)
            c = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
        m_out.append(legacyAttributeName(m_lowerName));
        if (value.empty())
            return;
        m_out.push_back('=');
        bool bare = true;
        for (char c : value)
            bare = bare && kLegacyUnquoted[static_cast<unsigned char>(c)];
        if (bare) {
            m_out.append(value);
            return;
        }
        m_out.push_back('"');
        appendEscaped(m_out, value, kLegacyAttrSpecial);
        m_out.push_back('"');
    }

    MarkupOut& m_out;
    bool m_legacy;
    const std::vector<TagInfo>& m_tags = tagTable();
    std::string m_lowerName;
};

const GumboNode* bodyOf(const GumboOutput* output)
{
    const GumboNode* root = output->root;
    if (root == nullptr || root->type != GUMBO_NODE_ELEMENT)
        return nullptr;
    const GumboVector& children = root->v.element.children;
    for (unsigned i = 0; i < children.length; ++i) {
        const auto* child = static_cast<const GumboNode*>(children.data[i]);
        // document.body is the frameset on a page of frames.
        if (child->type == GUMBO_NODE_ELEMENT && isHtml(child) &&
            (child->v.element.tag == GUMBO_TAG_BODY || child->v.element.tag == GUMBO_TAG_FRAMESET))
            return child;
    }
    return nullptr;
}

} // namespace

QString renderBody(QString html, MarkupStyle style, PageTables* tables)
{
    QByteArray source = html.toUtf8();
    html = QString();
    const std::string out = renderBodyUtf8(std::move(source), style, tables);
    return QString::fromUtf8(out.data(), qsizetype(out.size()));
}

std::string renderBodyUtf8(QByteArray source, MarkupStyle style, PageTables* tables)
{
    const LentArena lent;
    ParseArena& arena = *lent;
    GumboOptions options = kGumboDefaultOptions;
    options.allocator = &ParseArena::allocate;
    options.deallocator = &ParseArena::deallocate;
    options.userdata = &arena;
    // Nobody reads the parse errors, and recording them costs an allocation each.
    options.max_errors = 0;
    const GumboOutput* output = gumbo_parse_with_options(&options, source.constData(), size_t(source.size()));

    MarkupOut out(size_t(source.size()) + size_t(source.size()) / 8);
    if (const GumboNode* body = bodyOf(output)) {
        Serializer(out, style).writeChildren(body);
        if (tables != nullptr)
            collectTables(body, *tables);
    }
    // Every node lives in the arena, so gumbo_destroy_output's walk would free nothing. The
    // tree points into the source, which goes with it.
    arena.reset();
    source = QByteArray();
    return out.take();
}

} // namespace kazeyomi
