// The tables of a rendered page read from the parser's tree, cell by cell, with the short
// texts (paragraphs, headings) that stand between them: what a page shows, whatever its lines.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

struct GumboInternalNode;

namespace kazeyomi {

struct TableCell {
    // Every text inside, trimmed: a view of the page's PageTables::cellTexts, which holds the
    // texts of all cells in one string. Valid while that PageTables, or a copy of it, lives.
    QStringView text() const { return {m_text, qsizetype(m_textSize)}; }
    // The class attributes of the cell and of everything inside it, blank-separated; a view of
    // cellTexts as well.
    QStringView classes() const { return {m_classes, qsizetype(m_classesSize)}; }
    void setTexts(QStringView text, QStringView classes)
    {
        m_text = text.data();
        m_textSize = quint32(text.size());
        m_classes = classes.data();
        m_classesSize = quint32(classes.size());
    }

    quint16 colspan = 1; // at most 1000, as browsers take it
    quint16 rowspan = 1;
    bool header = false;

private:
    // Pointers and 32-bit sizes rather than two views: an odds page keeps thousands of cells
    // in every page the render cache holds, and this way each takes 32 bytes, not 48.
    const QChar* m_text = nullptr;
    const QChar* m_classes = nullptr;
    quint32 m_textSize = 0;
    quint32 m_classesSize = 0;
};

struct TableRow {
    QList<TableCell> cells;
    bool head = false; // in the table's <thead>
};

struct PageTable {
    QString heading; // the last paragraph or heading text before the table
    QString classes;
    QList<TableRow> rows;
};

struct PageTables {
    QList<PageTable> tables;
    // One string for the texts and classes of all cells, rather than one each: an odds page has
    // thousands.
    // Never changed once read, so the cells' views into it stay valid through copies and moves.
    QString cellTexts;
    QStringList texts; // paragraphs and headings outside the tables, in page order
};

// Reads every table below `body` (the body element of a parsed page).
void collectTables(const GumboInternalNode* body, PageTables& out);

} // namespace kazeyomi
