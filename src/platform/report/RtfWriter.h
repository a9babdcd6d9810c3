#pragma once

#include "ExportWriter.h"
#include "WriterSupport_p.h"

#include <QColor>
#include <QStringList>

namespace qrep {

// An RTF document that a word processor can edit: one RTF page per report page (a page break
// between them), on paper of the report's size with no margins of its own (the report's
// positions already include its margins). Each text line of a page is a paragraph placed at
// its height by the space before it and an exact line height, with one tab stop per item at
// the item's left edge, right edge or middle (left, right or centre tab, as the item is
// aligned) and the item's font, size, weight, style and colour. A memo is a paragraph of its
// own indented to its column, wrapped by the word processor. Horizontal rules, and the top and
// bottom edges of frames, become paragraph borders across their extent; vertical lines are
// left out. The document is written when the last page has come (the font table, which comes
// first in the file, is known only then).
class RtfWriter final : public ExportWriter {
public:
    RtfWriter() : ExportWriter(ExportType::Rtf) {}
    // Text as RTF: control characters escaped, other characters as \uN with a '?' fallback.
    static QByteArray escaped(const QString& text);

protected:
    void doBegin() override;
    void doWritePage(const PreparedPage& page, int pageNumber) override;
    void doEnd() override;
    void doAbort() override;

private:
    int fontIndex(const QString& family);
    int colorIndex(const QColor& color);

    detail::OutputFile m_out;
    QByteArray m_body;
    QStringList m_fonts;
    QList<QColor> m_colors;
    QSizeF m_paper;
};

} // namespace qrep
