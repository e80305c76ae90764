#include "fetch/nesting_guard.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace kazeyomi {
namespace {

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isTagSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}
char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

enum NameFlag : std::uint8_t {
    Uncounted = 1, // void elements, and elements the parser closes by itself when the next one starts
    Special = 2,   // the parser's "special" elements: an ordinary end tag stops at the first of them
    Boundary = 4,  // an end tag for an element below one of these is ignored by the parser
    RawText = 8,   // content is text up to the element's own end tag
};

struct KnownName {
    std::string_view name;
    std::uint8_t flags;
};

constexpr KnownName kKnownNames[] = {
    {"area", Uncounted},
    {"base", Uncounted},
    {"br", Uncounted},
    {"col", Uncounted},
    {"embed", Uncounted},
    {"hr", Uncounted},
    {"img", Uncounted},
    {"input", Uncounted},
    {"link", Uncounted},
    {"meta", Uncounted},
    {"source", Uncounted},
    {"track", Uncounted},
    {"wbr", Uncounted},
    {"param", Uncounted},
    {"keygen", Uncounted},
    {"basefont", Uncounted},
    {"bgsound", Uncounted},
    {"frame", Uncounted},
    {"p", Uncounted},
    {"li", Uncounted},
    {"td", Uncounted | Special | Boundary},
    {"th", Uncounted | Special | Boundary},
    {"tr", Uncounted},
    {"tbody", Uncounted},
    {"thead", Uncounted},
    {"tfoot", Uncounted},
    {"option", Uncounted},
    {"optgroup", Uncounted},
    {"dt", Uncounted},
    {"dd", Uncounted},
    {"rt", Uncounted},
    {"rp", Uncounted},
    {"colgroup", Uncounted},
    {"caption", Uncounted | Special | Boundary},
    {"html", Uncounted | Special | Boundary},
    {"head", Uncounted},
    {"body", Uncounted},
    {"applet", Special | Boundary},
    {"table", Special | Boundary},
    {"marquee", Special | Boundary},
    {"object", Special | Boundary},
    {"template", Special | Boundary},
    {"address", Special},
    {"article", Special},
    {"aside", Special},
    {"blockquote", Special},
    {"center", Special},
    {"details", Special},
    {"dialog", Special},
    {"dir", Special},
    {"div", Special},
    {"dl", Special},
    {"fieldset", Special},
    {"figcaption", Special},
    {"figure", Special},
    {"footer", Special},
    {"form", Special},
    {"h1", Special},
    {"h2", Special},
    {"h3", Special},
    {"h4", Special},
    {"h5", Special},
    {"h6", Special},
    {"header", Special},
    {"hgroup", Special},
    {"iframe", Special | RawText},
    {"listing", Special},
    {"main", Special},
    {"menu", Special},
    {"nav", Special},
    {"noembed", Special | RawText},
    {"noframes", Special | RawText},
    {"noscript", Special},
    {"ol", Special},
    {"plaintext", Special},
    {"pre", Special},
    {"script", Special | RawText},
    {"section", Special},
    {"select", Special},
    {"style", Special | RawText},
    {"summary", Special},
    {"textarea", Special | RawText},
    {"title", Special | RawText},
    {"ul", Special},
    {"xmp", Special | RawText},
    {"frameset", Special},
    {"button", Special},
    {"svg", Special},
    {"math", Special},
};

// FNV-1a, fed one (lower-cased) byte at a time as the name is read.
constexpr std::uint32_t kHashStart = 2166136261u;
constexpr std::uint32_t hashStep(std::uint32_t hash, char c)
{
    return (hash ^ std::uint8_t(c)) * 16777619u;
}
constexpr std::uint32_t hashOf(std::string_view name)
{
    std::uint32_t hash = kHashStart;
    for (char c : name)
        hash = hashStep(hash, c);
    return hash;
}

// Tag names are short: compared in place rather than by a call.
bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t k = 0; k < a.size(); ++k)
        if (a[k] != b[k])
            return false;
    return true;
}

// Tag names as small numbers: the known ones first, any other as it is first met. Only a
// name not met before on the page costs an allocation.
class TagNames {
public:
    TagNames() : m_slots(kFirstSlots)
    {
        for (const KnownName& known : kKnownNames)
            add(known.name, hashOf(known.name), known.flags);
    }

    int idOf(std::string_view lowerName, std::uint32_t hash)
    {
        for (size_t at = hash & (m_slots.size() - 1);; at = (at + 1) & (m_slots.size() - 1)) {
            const Slot& slot = m_slots[at];
            if (slot.id < 0)
                break;
            if (slot.hash == hash && sameName(m_names[size_t(slot.id)], lowerName))
                return slot.id;
        }
        return add(m_others.emplace_back(lowerName), hash, 0);
    }
    std::uint8_t flags(int id) const { return m_flags[size_t(id)]; }
    std::string_view name(int id) const { return m_names[size_t(id)]; }
    int count() const { return int(m_flags.size()); }

private:
    static constexpr size_t kFirstSlots = 512;
    struct Slot {
        std::uint32_t hash = 0;
        int id = -1;
    };

    int add(std::string_view name, std::uint32_t hash, std::uint8_t flags)
    {
        const int id = count();
        m_flags.push_back(flags);
        m_names.push_back(name);
        m_hashes.push_back(hash);
        if (size_t(count()) * 2 > m_slots.size()) {
            // Kept at most half full, so that a miss ends soon.
            m_slots.assign(m_slots.size() * 2, Slot{});
            for (int other = 0; other < count(); ++other)
                place(m_hashes[size_t(other)], other);
        } else {
            place(hash, id);
        }
        return id;
    }
    void place(std::uint32_t hash, int id)
    {
        size_t at = hash & (m_slots.size() - 1);
        while (m_slots[at].id >= 0)
            at = (at + 1) & (m_slots.size() - 1);
        m_slots[at] = {hash, id};
    }

    std::vector<Slot> m_slots;
    std::deque<std::string> m_others; // the storage behind the names that are not known
    std::vector<std::uint8_t> m_flags;
    std::vector<std::string_view> m_names;
    std::vector<std::uint32_t> m_hashes;
};

// The open elements that count, with what the end tags need to know about them.
class OpenElements {
public:
    explicit OpenElements(const TagNames& names) : m_names(names) {}

    int depth() const { return int(m_open.size()); }

    void open(int id)
    {
        const int at = depth();
        m_open.push_back(id);
        positions(id).push_back(at);
        if (m_names.flags(id) & Special)
            m_special.push_back(at);
        if (m_names.flags(id) & Boundary)
            m_boundaries.push_back(at);
    }

    // Closes the element and everything opened after it, unless the parser would ignore the
    // tag: nothing of that name is open, or a special element (for a special name: a scope
    // boundary) stands above it.
    void close(int id)
    {
        if (size_t(id) >= m_at.size() || m_at[size_t(id)].empty())
            return;
        const int at = m_at[size_t(id)].back();
        const std::vector<int>& blockers = (m_names.flags(id) & Special) ? m_boundaries : m_special;
        if (!blockers.empty() && blockers.back() > at)
            return;
        while (depth() > at) {
            const int top = depth() - 1;
            m_at[size_t(m_open.back())].pop_back();
            if (!m_special.empty() && m_special.back() == top)
                m_special.pop_back();
            if (!m_boundaries.empty() && m_boundaries.back() == top)
                m_boundaries.pop_back();
            m_open.pop_back();
        }
    }

private:
    std::vector<int>& positions(int id)
    {
        if (size_t(id) >= m_at.size())
            m_at.resize(size_t(m_names.count()));
        return m_at[size_t(id)];
    }

    const TagNames& m_names;
    std::vector<int> m_open;
    std::vector<std::vector<int>> m_at; // by name: where it is open, innermost last
    std::vector<int> m_special;
    std::vector<int> m_boundaries;
};

constexpr size_t kNone = std::string_view::npos;

// Where the next `c` is at or after `from`. What lies between tags is mostly short (a number,
// a blank), so the first bytes are looked at one by one before the library's search is called.
size_t findByte(std::string_view text, size_t from, char c)
{
    const size_t n = text.size();
    for (const size_t near = std::min(n, from + 16); from < near; ++from)
        if (text[from] == c)
            return from;
    if (from >= n)
        return kNone;
    const void* p = std::memchr(text.data() + from, c, n - from);
    return p == nullptr ? kNone : size_t(static_cast<const char*>(p) - text.data());
}

size_t nextTagStart(std::string_view text, size_t from)
{
    return findByte(text, from, '<');
}

// The length of the "<td>", "<th>" or "<tr>" start or end tag, in any case, at `i`; else 0.
size_t bareCellLength(std::string_view text, size_t i)
{
    const size_t name = text[i + 1] == '/' ? i + 2 : i + 1;
    if (name + 3 > text.size() || (text[name] | 0x20) != 't' || text[name + 2] != '>')
        return 0;
    const char second = char(text[name + 1] | 0x20);
    return second == 'd' || second == 'h' || second == 'r' ? name + 3 - i : 0;
}

// What the attribute reader looks at in a byte; everything else is part of a name or a value.
enum ByteClass : std::uint8_t { Other, Space, Slash, Equals, Greater, Quote };

constexpr std::array<ByteClass, 256> kByteClasses = [] {
    std::array<ByteClass, 256> classes{};
    for (char c : {' ', '\t', '\n', '\r', '\f'})
        classes[std::uint8_t(c)] = Space;
    classes['/'] = Slash;
    classes['='] = Equals;
    classes['>'] = Greater;
    classes['"'] = Quote;
    classes['\''] = Quote;
    return classes;
}();

// The end of the tag whose attributes start at `i` (just after its name), read as the
// tokenizer reads attributes; kNone when the text ends inside the tag. Runs of name or value
// bytes are passed over in tight loops: most of a page's bytes are inside its tags.
size_t tagEnd(std::string_view text, size_t i)
{
    enum class State { BeforeName, Name, BeforeValue, Unquoted } state = State::BeforeName;
    const size_t n = text.size();
    const auto classOf = [&text](size_t at) { return kByteClasses[std::uint8_t(text[at])]; };
    while (i < n) {
        const ByteClass c = classOf(i);
        if (c == Greater)
            return i + 1;
        switch (state) {
        case State::BeforeName:
            if (c != Space && c != Slash)
                state = State::Name;
            ++i;
            break;
        case State::Name:
            if (c == Equals)
                state = State::BeforeValue;
            else if (c == Slash)
                state = State::BeforeName;
            ++i;
            // A name and the blanks after it, up to what ends them.
            while (state == State::Name && i < n && classOf(i) != Equals && classOf(i) != Slash &&
                   classOf(i) != Greater)
                ++i;
            break;
        case State::BeforeValue:
            if (c == Quote) {
                const size_t close = findByte(text, i + 1, text[i]);
                if (close == kNone)
                    return kNone;
                i = close + 1;
                state = State::BeforeName;
            } else {
                if (c != Space)
                    state = State::Unquoted;
                ++i;
            }
            break;
        case State::Unquoted:
            if (c == Space)
                state = State::BeforeName;
            ++i;
            while (state == State::Unquoted && i < n && classOf(i) != Space && classOf(i) != Greater)
                ++i;
            break;
        }
    }
    return kNone;
}

// Just after the comment whose text starts at `from`: "<!-->" and "<!--->" are whole
// comments, and "--!>" ends one as "-->" does. kNone when the page ends inside it.
size_t commentEnd(std::string_view text, size_t from)
{
    if (text.substr(from, 1) == ">")
        return from + 1;
    if (text.substr(from, 2) == "->")
        return from + 2;
    for (size_t p = text.find("--", from); p != kNone; p = text.find("--", p + 1)) {
        if (text.substr(p + 2, 1) == ">")
            return p + 3;
        if (text.substr(p + 2, 2) == "!>")
            return p + 4;
    }
    return kNone;
}

// Where the raw text of `name` that starts at `from` ends: at an end tag of that name, its
// letters in any case.
size_t rawTextEnd(std::string_view text, std::string_view name, size_t from)
{
    for (size_t p = text.find("</", from); p != kNone; p = text.find("</", p + 2)) {
        const size_t next = p + 2 + name.size();
        if (next > text.size())
            return kNone;
        const std::string_view candidate = text.substr(p + 2, name.size());
        if (!std::equal(candidate.begin(), candidate.end(), name.begin(),
                        [](char a, char b) { return lowerAscii(a) == b; }))
            continue;
        if (next == text.size() || isTagSpace(text[next]) || text[next] == '/' || text[next] == '>')
            return p;
    }
    return kNone;
}

} // namespace

int estimatedNestingDepth(std::string_view text)
{
    TagNames names;
    OpenElements open(names);
    std::string lowered;
    int deepest = 0;
    const size_t n = text.size();
    const int plaintext = names.idOf("plaintext", hashOf("plaintext"));
    size_t i = nextTagStart(text, 0);
    while (i != kNone && i + 1 < n) {
        if (text[i + 1] == '!' && text.substr(i, 4) == "<!--") {
            const size_t close = commentEnd(text, i + 4);
            if (close == kNone)
                break;
            i = nextTagStart(text, close);
            continue;
        }
        // Bare cells and rows ("<td>", "</tr>" ...) are most of an odds page's tags and never
        // count: passed over without reading their names.
        if (const size_t bare = bareCellLength(text, i)) {
            i = nextTagStart(text, i + bare);
            continue;
        }
        const bool closing = text[i + 1] == '/';
        const size_t start = i + (closing ? 2 : 1);
        // "<!", "<?" and "</" not followed by a letter: a bogus comment up to the next ">".
        if (start >= n || !isAsciiLetter(text[start])) {
            if (text[i + 1] == '!' || text[i + 1] == '?' || closing) {
                const size_t close = text.find('>', i + 1);
                if (close == kNone)
                    break;
                i = nextTagStart(text, close + 1);
            } else {
                i = nextTagStart(text, i + 1);
            }
            continue;
        }
        size_t end = start;
        bool upper = false;
        std::uint32_t hash = kHashStart;
        for (; end < n; ++end) {
            const char c = text[end];
            if (isTagSpace(c) || c == '/' || c == '>')
                break;
            upper = upper || (c >= 'A' && c <= 'Z');
            hash = hashStep(hash, lowerAscii(c));
        }
        std::string_view name = text.substr(start, end - start);
        // The parser folds only ASCII letters in tag names.
        if (upper) {
            lowered.assign(name);
            std::transform(lowered.begin(), lowered.end(), lowered.begin(), lowerAscii);
            name = lowered;
        }
        const int id = names.idOf(name, hash);
        const size_t after = tagEnd(text, end);
        if (after == kNone)
            break; // the text ends inside the tag: the parser drops it
        i = nextTagStart(text, after);
        if (id == plaintext && !closing)
            break; // the rest of the page is text
        if (names.flags(id) & Uncounted)
            continue;
        // A self-closing slash does not close an HTML element, so it still counts.
        if (closing) {
            open.close(id);
            continue;
        }
        open.open(id);
        deepest = std::max(deepest, open.depth());
        if (deepest > kMaxNestingDepth)
            return deepest;
        if (names.flags(id) & RawText) {
            // Markup inside is text, up to the element's own end tag.
            const size_t close = rawTextEnd(text, names.name(id), after);
            if (close == kNone)
                break;
            i = close;
        }
    }
    return deepest;
}

} // namespace kazeyomi
