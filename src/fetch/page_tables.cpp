#include "fetch/page_tables.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gumbo.h>

namespace kazeyomi {

// Every odds page keeps thousands of these in the render cache.
static_assert(sizeof(TableCell) <= 32);

namespace {

bool isElement(const GumboNode* node)
{
    return (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE) &&
           node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML;
}

int spanOf(const GumboElement& element, const char* name)
{
    if (element.attributes.length == 0)
        return 1;
    const GumboAttribute* attribute = gumbo_get_attribute(&element.attributes, name);
    if (attribute == nullptr)
        return 1;
    const int n = std::atoi(attribute->value);
    return n >= 1 && n <= 1000 ? n : 1;
}

// The elements among `children`: a row's cells, without the blanks between them.
qsizetype elementCount(const GumboVector& children)
{
    qsizetype count = 0;
    for (unsigned i = 0; i < children.length; ++i)
        count += static_cast<const GumboNode*>(children.data[i])->type == GUMBO_NODE_ELEMENT ? 1 : 0;
    return count;
}

void appendClass(std::string& classes, const GumboElement& element)
{
    if (element.attributes.length == 0)
        return;
    const GumboAttribute* attribute = gumbo_get_attribute(&element.attributes, "class");
    if (attribute == nullptr || attribute->value[0] == '\0')
        return;
    if (!classes.empty())
        classes.push_back(' ');
    classes.append(attribute->value);
}

// The text and the classes of everything below `node`, its own class included; a walk with
// its own stack, as a hostile page may nest deeper than the call stack allows. The stack is
// the caller's, kept from cell to cell.
void readSubtree(const GumboNode* node, std::string& text, std::string& classes,
                 std::vector<std::pair<const GumboNode*, unsigned>>& stack)
{
    appendClass(classes, node->v.element);
    const GumboVector& own = node->v.element.children;
    // Most cells hold one text and nothing else.
    if (own.length == 1) {
        const auto* only = static_cast<const GumboNode*>(own.data[0]);
        if (only->type == GUMBO_NODE_TEXT || only->type == GUMBO_NODE_WHITESPACE || only->type == GUMBO_NODE_CDATA) {
            text.append(only->v.text.text);
            return;
        }
    }
    stack.clear();
    stack.emplace_back(node, 0);
    while (!stack.empty()) {
        const GumboVector& children = stack.back().first->v.element.children;
        if (stack.back().second == children.length) {
            stack.pop_back();
            continue;
        }
        const auto* child = static_cast<const GumboNode*>(children.data[stack.back().second++]);
        switch (child->type) {
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_WHITESPACE:
        case GUMBO_NODE_CDATA:
            text.append(child->v.text.text);
            break;
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE:
            appendClass(classes, child->v.element);
            stack.emplace_back(child, 0);
            break;
        default:
            break;
        }
    }
}

bool isAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The text without the ASCII blanks at its ends.
std::string_view withoutAsciiBlanks(std::string_view text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isAsciiSpace(text[begin]))
        ++begin;
    while (end > begin && isAsciiSpace(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// Whether QString::trimmed could cut more than the ASCII blanks: only where an end is not ASCII.
bool endsInAscii(std::string_view cut)
{
    return cut.empty() ||
           (static_cast<unsigned char>(cut.front()) < 0x80 && static_cast<unsigned char>(cut.back()) < 0x80);
}

// The text without the blanks at its ends, as QString::trimmed gives it; the ASCII blanks are
// cut from the bytes, and only an end that is not ASCII needs the text decoded first.
QString trimmedText(const std::string& text)
{
    const std::string_view cut = withoutAsciiBlanks(text);
    if (cut.empty())
        return {};
    const QString decoded = QString::fromUtf8(cut.data(), qsizetype(cut.size()));
    return endsInAscii(cut) ? decoded : decoded.trimmed();
}

using Span = std::pair<qsizetype, qsizetype>; // where a text lies in the pool

// Appends UTF-8 text to `pool` and gives back where it lies there. ASCII, as most cells hold,
// is widened in place rather than made a string of its own.
Span addToPool(QString& pool, std::string_view text)
{
    const qsizetype at = pool.size();
    if (text.empty())
        return {at, 0};
    if (!std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        pool.append(QString::fromUtf8(text.data(), qsizetype(text.size())));
        return {at, pool.size() - at};
    }
    pool.resize(at + qsizetype(text.size()));
    QChar* to = pool.data() + at;
    for (const char c : text)
        *to++ = QChar(char16_t(c));
    return {at, qsizetype(text.size())};
}

// The same for the text trimmed as QString::trimmed does it.
Span addTrimmed(QString& pool, const std::string& text)
{
    const std::string_view cut = withoutAsciiBlanks(text);
    if (endsInAscii(cut))
        return addToPool(pool, cut);
    const qsizetype at = pool.size();
    pool.append(trimmedText(text));
    return {at, pool.size() - at};
}

QString fromUtf8(const std::string& text)
{
    return text.empty() ? QString() : QString::fromUtf8(text.data(), qsizetype(text.size()));
}

} // namespace

void collectTables(const GumboNode* body, PageTables& out)
{
    if (body == nullptr)
        return;
    enum class Leave { Nothing, Table, Head };
    struct Frame {
        const GumboNode* node;
        unsigned next;
        Leave leave;
    };
    std::vector<Frame> stack{{body, 0, Leave::Nothing}};
    std::vector<qsizetype> open; // the tables being read, innermost last
    int inHead = 0;
    QString lastText;
    std::string text;
    std::string classes;
    std::vector<std::pair<const GumboNode*, unsigned>> cellStack;
    std::vector<std::pair<Span, Span>> cellTexts; // where each cell's text and classes lie, in page order
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const GumboVector& children = frame.node->v.element.children;
        if (frame.next == children.length) {
            if (frame.leave == Leave::Table)
                open.pop_back();
            else if (frame.leave == Leave::Head)
                --inHead;
            stack.pop_back();
            continue;
        }
        const auto* child = static_cast<const GumboNode*>(children.data[frame.next++]);
        if (!isElement(child))
            continue;
        const GumboElement& element = child->v.element;
        switch (element.tag) {
        case GUMBO_TAG_TABLE: {
            PageTable table;
            table.heading = lastText;
            text.clear();
            appendClass(text, element);
            table.classes = fromUtf8(text);
            out.tables << std::move(table);
            open.push_back(out.tables.size() - 1);
            stack.push_back({child, 0, Leave::Table});
            break;
        }
        case GUMBO_TAG_THEAD:
            ++inHead;
            stack.push_back({child, 0, Leave::Head});
            break;
        case GUMBO_TAG_TR:
            if (!open.empty()) {
                TableRow row;
                row.head = inHead > 0;
                row.cells.reserve(elementCount(element.children));
                out.tables[open.back()].rows << std::move(row);
            }
            stack.push_back({child, 0, Leave::Nothing});
            break;
        case GUMBO_TAG_TD:
        case GUMBO_TAG_TH: {
            if (open.empty() || out.tables[open.back()].rows.isEmpty())
                break;
            text.clear();
            classes.clear();
            readSubtree(child, text, classes, cellStack);
            TableCell cell;
            cellTexts.emplace_back(addTrimmed(out.cellTexts, text), addToPool(out.cellTexts, classes));
            cell.header = element.tag == GUMBO_TAG_TH;
            cell.colspan = quint16(spanOf(element, "colspan"));
            cell.rowspan = quint16(spanOf(element, "rowspan"));
            out.tables[open.back()].rows.back().cells << cell;
            break;
        }
        case GUMBO_TAG_P:
        case GUMBO_TAG_H1:
        case GUMBO_TAG_H2:
        case GUMBO_TAG_H3:
        case GUMBO_TAG_H4:
        case GUMBO_TAG_H5:
        case GUMBO_TAG_H6:
            text.clear();
            classes.clear();
            readSubtree(child, text, classes, cellStack);
            lastText = trimmedText(text);
            out.texts << lastText;
            break;
        default:
            stack.push_back({child, 0, Leave::Nothing});
        }
    }
    // The pool has stopped growing: the views can be set.
    auto next = cellTexts.cbegin();
    for (PageTable& table : out.tables)
        for (TableRow& row : table.rows)
            for (TableCell& cell : row.cells) {
                cell.setTexts(QStringView(out.cellTexts).mid(next->first.first, next->first.second),
                              QStringView(out.cellTexts).mid(next->second.first, next->second.second));
                ++next;
            }
}

} // namespace kazeyomi
